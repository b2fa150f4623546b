// The request-object seam over the platform's own WinHttp request object, reached late-bound
// through IDispatch: every member is looked up by name when it is used, as a script would.
//
// Texts cross into the object as UTF-16 converted from code page 936, and the header text comes
// back the same way, so the result does not depend on the system's ANSI code page.
#include <windows.h>
// After windows.h, which it needs.
#include <oleauto.h>

#include <array>
#include <cstddef>
#include <string>
#include <utility>

#include "http/request_object.h"
#include "text/convert.h"

namespace ow {
namespace {

// An owned BSTR, made from a Text.
class WideString {
 public:
  explicit WideString(const Text& text) {
    const std::u16string wide = LocalTextToWide(text);
    value_ = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(wide.data()),
                               static_cast<UINT>(wide.size()));
  }
  ~WideString() { SysFreeString(value_); }
  WideString(const WideString&) = delete;
  WideString& operator=(const WideString&) = delete;

  BSTR Get() const { return value_; }

 private:
  BSTR value_ = nullptr;
};

// A VARIANT that clears itself.
class Variant {
 public:
  Variant() { VariantInit(&value_); }
  ~Variant() { VariantClear(&value_); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;

  VARIANT* Get() { return &value_; }

 private:
  VARIANT value_;
};

VARIANT IntegerArgument(int value) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_I4;
  v.lVal = value;
  return v;
}

// Borrows the BSTR: the caller's WideString outlives the call.
VARIANT StringArgument(const WideString& value) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_BSTR;
  v.bstrVal = value.Get();
  return v;
}

VARIANT BooleanArgument(bool value) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_BOOL;
  v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
  return v;
}

// A BSTR as a Text. The object may count a terminating NUL into the string's length, so the
// text ends at the first NUL unit.
Text TextFromWide(BSTR value) {
  if (value == nullptr) return Text("");
  std::u16string_view wide(reinterpret_cast<const char16_t*>(value), SysStringLen(value));
  if (const auto nul = wide.find(u'\0'); nul != std::u16string_view::npos) {
    wide = wide.substr(0, nul);
  }
  return WideToLocalText(wide);
}

class DispatchRequestObject final : public RequestObject {
 public:
  // Takes over the caller's reference.
  explicit DispatchRequestObject(IDispatch* dispatch) : dispatch_(dispatch) {}
  ~DispatchRequestObject() override { dispatch_->Release(); }
  DispatchRequestObject(const DispatchRequestObject&) = delete;
  DispatchRequestObject& operator=(const DispatchRequestObject&) = delete;

  void SetTimeouts(int resolveMs, int connectMs, int sendMs, int receiveMs) override {
    std::array arguments{IntegerArgument(resolveMs), IntegerArgument(connectMs),
                         IntegerArgument(sendMs), IntegerArgument(receiveMs)};
    CallMethod(L"SetTimeouts", arguments.data(), arguments.size());
  }

  void SetProxy(int setting, const Text& server) override {
    const WideString serverText(server);
    std::array arguments{IntegerArgument(setting), StringArgument(serverText)};
    CallMethod(L"SetProxy", arguments.data(), arguments.size());
  }

  void SetRequestHeader(const Text& name, const Text& value) override {
    const WideString nameText(name);
    const WideString valueText(value);
    std::array arguments{StringArgument(nameText), StringArgument(valueText)};
    CallMethod(L"SetRequestHeader", arguments.data(), arguments.size());
  }

  void Open(const Text& method, const Text& url, bool async) override {
    const WideString methodText(method);
    const WideString urlText(url);
    std::array arguments{StringArgument(methodText), StringArgument(urlText),
                         BooleanArgument(async)};
    CallMethod(L"Open", arguments.data(), arguments.size());
    responseArrived_ = false;
  }

  void PutOption(int index, int value) override {
    // An indexed property put: the value travels as the named argument DISPID_PROPERTYPUT,
    // which must come first in the (reversed) argument list.
    DISPID id = 0;
    if (!Lookup(L"Option", &id)) return;
    std::array arguments{IntegerArgument(value), IntegerArgument(index)};
    DISPID putId = DISPID_PROPERTYPUT;
    DISPPARAMS parameters{arguments.data(), &putId, static_cast<UINT>(arguments.size()), 1};
    dispatch_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &parameters, nullptr,
                      nullptr, nullptr);
  }

  void Send(const Text& body) override {
    const WideString bodyText(body);
    std::array arguments{StringArgument(bodyText)};
    responseArrived_ = CallMethod(L"Send", arguments.data(), arguments.size());
  }

  void Send(const Bytes& body) override {
    SAFEARRAY* array = SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(body.Length()));
    if (array == nullptr) return;
    void* data = nullptr;
    if (SUCCEEDED(SafeArrayAccessData(array, &data))) {
      if (body.Length() > 0) CopyMemory(data, body.Data(), static_cast<SIZE_T>(body.Length()));
      SafeArrayUnaccessData(array);
    }
    Variant argument;
    argument.Get()->vt = VT_ARRAY | VT_UI1;
    argument.Get()->parray = array;  // the Variant destroys it
    responseArrived_ = CallMethod(L"Send", argument.Get(), 1);
  }

  // After a Send that failed there is no response to read, and the object is not asked: Wine's
  // object crashes when asked for the body of a response that a timeout cut short.
  Bytes ResponseBody() override {
    if (!responseArrived_) return Bytes();
    Variant result;
    if (!GetProperty(L"ResponseBody", result.Get())) return Bytes();
    if (result.Get()->vt != (VT_ARRAY | VT_UI1) || result.Get()->parray == nullptr) {
      return Bytes();
    }
    SAFEARRAY* array = result.Get()->parray;
    LONG lower = 0;
    LONG upper = -1;
    if (SafeArrayGetDim(array) != 1 || FAILED(SafeArrayGetLBound(array, 1, &lower)) ||
        FAILED(SafeArrayGetUBound(array, 1, &upper)) || upper < lower) {
      return Bytes();
    }
    void* data = nullptr;
    if (FAILED(SafeArrayAccessData(array, &data))) return Bytes();
    Bytes body(data, static_cast<int>(upper - lower + 1));
    SafeArrayUnaccessData(array);
    return body;
  }

  Text GetAllResponseHeaders() override {
    if (!responseArrived_) return Text("");
    Variant result;
    // The name as the program has always spelt it; the object matches names without case.
    if (!CallMethod(L"GetallResponseHeaders", nullptr, 0, result.Get())) return Text("");
    if (result.Get()->vt != VT_BSTR) return Text("");
    return TextFromWide(result.Get()->bstrVal);
  }

  int Status() override {
    if (!responseArrived_) return 0;
    Variant result;
    if (!GetProperty(L"Status", result.Get())) return 0;
    if (FAILED(VariantChangeType(result.Get(), result.Get(), 0, VT_I4))) return 0;
    return static_cast<int>(result.Get()->lVal);
  }

 private:
  bool Lookup(const wchar_t* name, DISPID* id) {
    auto* names = const_cast<LPOLESTR>(name);
    return SUCCEEDED(dispatch_->GetIDsOfNames(IID_NULL, &names, 1, LOCALE_USER_DEFAULT, id));
  }

  // `arguments` in the order of the member's parameter list; Invoke wants them reversed.
  bool CallMethod(const wchar_t* name, VARIANT* arguments, std::size_t count,
                  VARIANT* result = nullptr) {
    DISPID id = 0;
    if (!Lookup(name, &id)) return false;
    for (std::size_t i = 0; i < count / 2; ++i) std::swap(arguments[i], arguments[count - 1 - i]);
    DISPPARAMS parameters{arguments, nullptr, static_cast<UINT>(count), 0};
    return SUCCEEDED(dispatch_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD,
                                       &parameters, result, nullptr, nullptr));
  }

  bool GetProperty(const wchar_t* name, VARIANT* result) {
    DISPID id = 0;
    if (!Lookup(name, &id)) return false;
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    return SUCCEEDED(dispatch_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET,
                                       &none, result, nullptr, nullptr));
  }

  IDispatch* dispatch_;
  // Whether the last Send since Open succeeded, so that a response is there to be read.
  bool responseArrived_ = false;
};

class WindowsRequestPlatform final : public RequestPlatform {
 public:
  void CoInitialize() override { ::CoInitialize(nullptr); }
  void CoUninitialize() override { ::CoUninitialize(); }

  std::shared_ptr<RequestObject> CreateRequestObject() override {
    CLSID classId;
    if (FAILED(CLSIDFromProgID(L"WinHttp.WinHttpRequest.5.1", &classId))) return nullptr;
    IDispatch* dispatch = nullptr;
    if (FAILED(CoCreateInstance(classId, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                reinterpret_cast<void**>(&dispatch))) ||
        dispatch == nullptr) {
      return nullptr;
    }
    return std::make_shared<DispatchRequestObject>(dispatch);
  }
};

}  // namespace

RequestPlatform& SystemRequestPlatform() {
  static WindowsRequestPlatform platform;
  return platform;
}

}  // namespace ow
