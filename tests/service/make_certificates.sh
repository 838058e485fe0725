#!/bin/sh
# Test certificates, made afresh for each run and never kept: a CA with a
# server certificate for 127.0.0.1 and a client certificate, and a second CA
# the service does not know, with a client certificate of its own.
# Usage: make_certificates.sh FOLDER
set -eu
cd "$1"
days=2
key() { openssl genpkey -algorithm EC -pkeyopt ec_paramgen_curve:P-256 -out "$1.key" 2>/dev/null; }
ca() {
  key "$1"
  openssl req -x509 -new -key "$1.key" -subj "/CN=$1" -days $days -out "$1.pem" 2>/dev/null
}
signed() {  # name ca extensions
  key "$1"
  openssl req -new -key "$1.key" -subj "/CN=$1" -out "$1.csr" 2>/dev/null
  printf '%s\n' "$3" >"$1.ext"
  openssl x509 -req -in "$1.csr" -CA "$2.pem" -CAkey "$2.key" -CAcreateserial -days $days \
    -extfile "$1.ext" -out "$1.pem" 2>/dev/null
}
ca ca
ca rogue-ca
signed server ca "subjectAltName=IP:127.0.0.1,DNS:localhost
extendedKeyUsage=serverAuth"
signed client ca "extendedKeyUsage=clientAuth"
signed rogue-client rogue-ca "extendedKeyUsage=clientAuth"
printf 'desk-token\n' >token
printf 'wrong-token\n' >wrong-token
