#!/usr/bin/env bash
# Makes a throwaway certificate authority and a code-signing certificate it issued, good for two
# days, in FOLDER: ca.pem, signer.pem and signer.key (PEM), signer.p12 with its password in
# password.txt. Usage: test_key.sh FOLDER
set -euo pipefail
cd "$1"
cat > openssl.cnf <<'CNF'
[req]
distinguished_name = dn
[dn]
[ca]
basicConstraints = critical, CA:TRUE
keyUsage = critical, keyCertSign, cRLSign
subjectKeyIdentifier = hash
[signer]
basicConstraints = critical, CA:FALSE
keyUsage = critical, digitalSignature
extendedKeyUsage = codeSigning
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
CNF
quiet() { "$@" >/dev/null 2>&1 || { echo "test_key: $1 failed" >&2; exit 1; }; }
quiet openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem -days 2 -subj "/CN=Veilpane test CA" \
    -config openssl.cnf -extensions ca
quiet openssl req -newkey rsa:2048 -nodes -keyout signer.key -out signer.csr -subj "/CN=Veilpane test signer" \
    -config openssl.cnf
quiet openssl x509 -req -in signer.csr -CA ca.pem -CAkey ca.key -CAcreateserial -out signer.pem -days 2 \
    -extfile openssl.cnf -extensions signer
openssl rand -hex 16 > password.txt
quiet openssl pkcs12 -export -out signer.p12 -inkey signer.key -in signer.pem -certfile ca.pem -passout file:password.txt
