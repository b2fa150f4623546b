// Placeholder; written with the request routines.
