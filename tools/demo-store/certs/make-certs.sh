#!/usr/bin/env bash
# Makes the demo store's certificate authority and its certificate for localhost (and
# 127.0.0.1). The authority's key is thrown away: nothing else is ever signed with it.
# Run from anywhere; writes ca.pem, localhost.pem and localhost-key.pem beside this script.
set -euo pipefail
cd "$(dirname "$0")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

openssl req -x509 -newkey rsa:2048 -nodes -days 36500 -sha256 \
  -subj "/O=orderwatch demo/CN=orderwatch demo store authority" \
  -addext "basicConstraints=critical,CA:TRUE" \
  -addext "keyUsage=critical,keyCertSign,cRLSign" \
  -keyout "$work/ca-key.pem" -out ca.pem 2>/dev/null

openssl req -newkey rsa:2048 -nodes -sha256 -subj "/O=orderwatch demo/CN=localhost" \
  -keyout localhost-key.pem -out "$work/localhost.csr" 2>/dev/null
cat >"$work/leaf.ext" <<'EXT'
basicConstraints=critical,CA:FALSE
keyUsage=critical,digitalSignature,keyEncipherment
extendedKeyUsage=serverAuth
subjectAltName=DNS:localhost,IP:127.0.0.1
EXT
openssl x509 -req -in "$work/localhost.csr" -CA ca.pem -CAkey "$work/ca-key.pem" \
  -CAcreateserial -CAserial "$work/ca.srl" -days 36500 -sha256 \
  -extfile "$work/leaf.ext" -out localhost.pem 2>/dev/null
echo "wrote ca.pem, localhost.pem and localhost-key.pem"
