#!/usr/bin/env bash
# The signed downloads and their manifests, from the program in bin/: signed with a throwaway
# authority's code-signing certificate, from a PKCS#12 file and from a SoftHSM token, each signed file
# checked against that authority. No Wine. Usage: signing_test.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
ROOT="$1"; BUILD="$2"; OUT="$BUILD/package_signing_test"; K="$OUT/keys"
URL=https://downloads.example.test/veilpane
rm -rf "$OUT"; mkdir -p "$K"
fail() { echo "FAILED: $*" >&2; exit 1; }
package() {  # package NAME ARGS...: packages into $OUT/NAME, its output in $OUT/NAME.log
    local name="$1"; shift
    VP_BUILD_DIR="$BUILD" bash "$ROOT/scripts/package.sh" --prebuilt "$@" "$OUT/$name" >"$OUT/$name.log" 2>&1
}
verify() { osslsigncode verify -CAfile "$K/ca.pem" -in "$1" >/dev/null 2>&1; }
verify_signed() {  # verify_signed NAME: the installer package and every executable in the zip
    unzip -q -o "$OUT/$1"/Veilpane-*-portable.zip '*.exe' -d "$OUT/$1/unpacked"
    for f in "$OUT/$1"/Veilpane-*.msi "$OUT/$1"/unpacked/*.exe; do verify "$f" || fail "$1: $(basename "$f") does not verify"; done
}

echo "-- a throwaway certificate authority and code-signing certificate"
ssl() { openssl "$@" -config <(printf '[req]\ndistinguished_name=dn\n[dn]\n[ca]\nbasicConstraints=critical,CA:TRUE\nkeyUsage=keyCertSign\n[signer]\nbasicConstraints=CA:FALSE\nkeyUsage=digitalSignature\nextendedKeyUsage=codeSigning\n') 2>/dev/null; }
ssl req -x509 -newkey rsa:2048 -nodes -keyout "$K/ca.key" -out "$K/ca.pem" -days 2 -subj "/CN=Test CA" -extensions ca
ssl req -newkey rsa:2048 -nodes -keyout "$K/signer.key" -out "$K/signer.csr" -subj "/CN=Test signer"
openssl x509 -req -in "$K/signer.csr" -CA "$K/ca.pem" -CAkey "$K/ca.key" -CAcreateserial -out "$K/signer.pem" -days 2 \
    -extfile <(printf 'keyUsage=digitalSignature\nextendedKeyUsage=codeSigning\n') 2>/dev/null
openssl rand -hex 8 > "$K/password.txt"
openssl pkcs12 -export -out "$K/signer.p12" -inkey "$K/signer.key" -in "$K/signer.pem" -passout "file:$K/password.txt"

echo "-- signed from a PKCS#12 file; its manifests"
package p12 --pkcs12 "$K/signer.p12" --password-file "$K/password.txt" --download-url "$URL/" || fail "$(cat "$OUT/p12.log")"
[[ "$(tail -n 1 "$OUT/p12.log")" == "signed (Authenticode, SHA-256, no timestamp): Veilpane.exe"*" Veilpane-"*".msi" ]] ||
    fail "the last line: $(tail -n 1 "$OUT/p12.log")"
grep -q "/scoop/veilpane.json$" "$OUT/p12.log" || fail "the manifests are not listed"
verify_signed p12
python3 "$(dirname "$0")/check_manifests.py" "$OUT/p12" "$URL" || fail "the manifests"

echo "-- one changed byte fails the check"
cp "$OUT/p12/unpacked/Veilpane.exe" "$OUT/changed.exe"
byte=$(od -An -tu1 -j 4096 -N 1 "$OUT/changed.exe")
printf "\\$(printf '%03o' $(((byte + 1) % 256)))" | dd of="$OUT/changed.exe" bs=1 seek=4096 conv=notrunc status=none
! verify "$OUT/changed.exe" || fail "a changed executable still verifies"

echo "-- a wrong password fails the package; without a key the last line says unsigned"
echo wrong > "$K/wrong.txt"
! package wrong --pkcs12 "$K/signer.p12" --password-file "$K/wrong.txt" || fail "signed with a wrong password"
grep -q "signing Veilpane.exe failed" "$OUT/wrong.log" || fail "a wrong password: $(tail -n 1 "$OUT/wrong.log")"
package unsigned || fail "$(cat "$OUT/unsigned.log")"
tail -n 1 "$OUT/unsigned.log" | grep -q "^package: UNSIGNED: no signing key given" || fail "$(tail -n 1 "$OUT/unsigned.log")"
unzip -q "$OUT/unsigned"/*.zip Veilpane.exe -d "$OUT/unsigned/unpacked"
! verify "$OUT/unsigned/unpacked/Veilpane.exe" || fail "the unsigned build verifies"

echo "-- signed with a key on a PKCS#11 token (SoftHSM)"
MODULE=/usr/lib/softhsm/libsofthsm2.so
ENGINE="$(openssl version -e | sed -n 's/^ENGINESDIR: "\(.*\)"$/\1/p')/pkcs11.so"
if [ ! -f "$MODULE" ] || [ ! -f "$ENGINE" ]; then
    echo "PKCS#11 signing not tested: needs Debian's softhsm2 ($MODULE) and libengine-pkcs11-openssl ($ENGINE)"
else
    export SOFTHSM2_CONF="$OUT/softhsm2.conf"
    mkdir -p "$OUT/tokens"; printf 'directories.tokendir = %s\n' "$OUT/tokens" > "$SOFTHSM2_CONF"
    printf 1234 > "$K/pin.txt"
    softhsm2-util --init-token --free --label test --pin 1234 --so-pin 5678 >/dev/null
    openssl pkcs8 -topk8 -nocrypt -in "$K/signer.key" -out "$K/signer.pk8"
    softhsm2-util --import "$K/signer.pk8" --token test --label signer --id 01 --pin 1234 >/dev/null
    package pkcs11 --pkcs11-module "$MODULE" --pkcs11-key "pkcs11:token=test;object=signer;type=private" \
        --pkcs11-cert "$K/signer.pem" --pin-file "$K/pin.txt" || fail "$(cat "$OUT/pkcs11.log")"
    verify_signed pkcs11
fi
echo "signing test: ok"
