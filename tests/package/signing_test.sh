#!/usr/bin/env bash
# The signed downloads and their manifests, from the program in bin/: packages signed with a
# throwaway certificate authority's code-signing certificate, from a PKCS#12 file and from a PKCS#11
# token (SoftHSM), checks each signed file against that authority, a changed byte, a wrong password,
# the manifests, and an unsigned build. No Wine: it only builds and reads files.
# Usage: signing_test.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
ROOT="$1"
BUILD="$2"
OUT="$BUILD/package_signing_test"
HERE="$(cd "$(dirname "$0")" && pwd)"
DOWNLOAD_URL=https://downloads.example.test/veilpane
rm -rf "$OUT"
mkdir -p "$OUT/keys"

fail() { echo "FAILED: $*" >&2; exit 1; }
step() { echo "-- $*"; }
package() {  # package OUTPUT-FOLDER ARGS...: the package script's output in OUTPUT-FOLDER.log
    local dist="$1"; shift
    VP_BUILD_DIR="$BUILD" bash "$ROOT/scripts/package.sh" --prebuilt "$@" "$dist" >"$dist.log" 2>&1
}
verify() { osslsigncode verify -CAfile "$OUT/keys/ca.pem" -in "$1" >/dev/null 2>&1; }
# verify_signed DIST: the installer package and every executable of the portable zip carry a valid
# signature of the test authority's signer.
verify_signed() {
    local dist="$1" exe
    verify "$dist"/Veilpane-*.msi || fail "$(basename "$dist"): the installer package's signature does not verify"
    mkdir -p "$dist/unpacked"
    unzip -q -o "$dist"/Veilpane-*-portable.zip -d "$dist/unpacked"
    for exe in "$dist"/unpacked/*.exe; do
        verify "$exe" || fail "$(basename "$dist"): $(basename "$exe")'s signature does not verify"
    done
}

step "a throwaway certificate authority and code-signing certificate"
bash "$HERE/test_key.sh" "$OUT/keys"
KEY=(--pkcs12 "$OUT/keys/signer.p12" --password-file "$OUT/keys/password.txt")

step "signed with a PKCS#12 file"
package "$OUT/p12" "${KEY[@]}" --download-url "$DOWNLOAD_URL/" || { cat "$OUT/p12.log"; fail "package.sh failed"; }
last="$(tail -n 1 "$OUT/p12.log")"
[[ "$last" == "signed (Authenticode, SHA-256, no timestamp): Veilpane.exe"*" Veilpane-"*".msi" ]] ||
    fail "the last line reads: $last"
grep -q "/winget/MORVEX.Veilpane.installer.yaml$" "$OUT/p12.log" && grep -q "/scoop/veilpane.json$" "$OUT/p12.log" ||
    fail "the manifests are not listed"
verify_signed "$OUT/p12"
[ "$(ls "$OUT/p12/unpacked"/*.exe | wc -l)" -ge 1 ] || fail "no executable in the portable zip"

step "one changed byte fails the check"
cp "$OUT/p12/unpacked/Veilpane.exe" "$OUT/changed.exe"
byte="$(od -An -tu1 -j 4096 -N 1 "$OUT/changed.exe" | tr -d ' ')"
printf "\\$(printf '%03o' $(((byte + 1) % 256)))" | dd of="$OUT/changed.exe" bs=1 seek=4096 conv=notrunc status=none
! cmp -s "$OUT/changed.exe" "$OUT/p12/unpacked/Veilpane.exe" || fail "the byte did not change"
verify "$OUT/changed.exe" && fail "a changed executable still verifies"

step "the manifests"
python3 "$HERE/check_manifests.py" "$OUT/p12" "$DOWNLOAD_URL" || fail "the manifests"

step "a wrong password fails the package"
echo wrong > "$OUT/keys/wrong.txt"
package "$OUT/wrong" --pkcs12 "$OUT/keys/signer.p12" --password-file "$OUT/keys/wrong.txt" &&
    fail "package.sh succeeded with a wrong password"
grep -q "signing Veilpane.exe failed" "$OUT/wrong.log" || fail "a wrong password is not what failed: $(tail -n 1 "$OUT/wrong.log")"
[ ! -e "$OUT/wrong"/Veilpane-*.msi ] || fail "a wrong password left an installer package"

step "without a key: unsigned, and the last line says so"
package "$OUT/unsigned" || { cat "$OUT/unsigned.log"; fail "package.sh failed"; }
tail -n 1 "$OUT/unsigned.log" | grep -q "^package: UNSIGNED: no signing key given" ||
    fail "the last line reads: $(tail -n 1 "$OUT/unsigned.log")"
unzip -q -o "$OUT/unsigned"/Veilpane-*-portable.zip Veilpane.exe -d "$OUT/unsigned/unpacked"
verify "$OUT/unsigned/unpacked/Veilpane.exe" && fail "the unsigned build verifies"

step "signed with a key on a PKCS#11 token (SoftHSM)"
MODULE=/usr/lib/softhsm/libsofthsm2.so
ENGINE="$(openssl version -e | sed -n 's/^ENGINESDIR: "\(.*\)"$/\1/p')/pkcs11.so"
if ! command -v softhsm2-util >/dev/null || [ ! -f "$MODULE" ]; then
    echo "PKCS#11 signing not tested: SoftHSM (Debian's softhsm2) is not installed"
elif [ ! -f "$ENGINE" ]; then
    echo "PKCS#11 signing not tested: OpenSSL's PKCS#11 engine (Debian's libengine-pkcs11-openssl) is not installed"
else
    export SOFTHSM2_CONF="$OUT/softhsm2.conf"
    mkdir -p "$OUT/tokens"
    printf 'directories.tokendir = %s\nobjectstore.backend = file\nlog.level = ERROR\n' "$OUT/tokens" > "$SOFTHSM2_CONF"
    pin="$(openssl rand -hex 4)"
    printf '%s' "$pin" > "$OUT/keys/pin.txt"
    softhsm2-util --init-token --free --label veilpane-test --pin "$pin" --so-pin "$(openssl rand -hex 4)" >/dev/null
    openssl pkcs8 -topk8 -nocrypt -in "$OUT/keys/signer.key" -out "$OUT/keys/signer.pk8"
    softhsm2-util --import "$OUT/keys/signer.pk8" --token veilpane-test --label signer --id 01 --pin "$pin" >/dev/null
    package "$OUT/pkcs11" --pkcs11-module "$MODULE" --pkcs11-key "pkcs11:token=veilpane-test;object=signer;type=private" \
        --pkcs11-cert "$OUT/keys/signer.pem" --pin-file "$OUT/keys/pin.txt" ||
        { cat "$OUT/pkcs11.log"; fail "package.sh failed with the PKCS#11 key"; }
    verify_signed "$OUT/pkcs11"
fi
echo "signing test: ok"
