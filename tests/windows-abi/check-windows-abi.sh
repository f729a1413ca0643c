#!/bin/sh
# The contract and the driver object compiled for Windows x64 (MSVC's ABI)
# with clang, without Windows: every static_assert on offsets and sizes is
# evaluated under MSVC's layout rules, and the virtual slot order the host
# relies on is read from clang's dump of the tables. The capture library's
# declarations compile there too (dllimport, no `long`).
# Usage: check-windows-abi.sh SOURCE_DIR
set -eu
src=$1
clang=${CLANGXX:-clang++}
dump=$("$clang" --target=x86_64-pc-windows-msvc -std=c++17 -ffreestanding -nostdlibinc \
    -isystem "$src/tests/windows-abi/stand-in" -I"$src/contract" -I"$src/driver" -I"$src/capture" \
    -Werror -S -o /dev/null -Xclang -fdump-vtable-layouts "$src/tests/windows-abi/AbiProbe.cpp")

# The interface's slots: one destructor slot (MSVC's scalar deleting
# destructor), then the operations in the contract's order.
expected_interface='0 | ICameraObject::~ICameraObject() [scalar deleting]
1 | QStringList ICameraObject::IGetCameraList()
2 | int32_t ICameraObject::IOpenCamera()
3 | void ICameraObject::ICloseCamera()
4 | int32_t ICameraObject::IStartCamera()
5 | void ICameraObject::IStopCamera()
6 | void ICameraObject::IReserved6()
7 | bool ICameraObject::IReserved7()
8 | bool ICameraObject::IReserved8()
9 | void ICameraObject::ISnapImage()
10 | intptr_t ICameraObject::IReserved10()
11 | bool ICameraObject::ISetParameter(const ParamChange *)
12 | bool ICameraObject::IReserved12()'
# The driver object's own entries: its overrides in the interface's slots,
# then its two own operations after them.
expected_driver='0 | CCameraGige::~CCameraGige() [scalar deleting]
1 | QStringList CCameraGige::IGetCameraList()
2 | int32_t CCameraGige::IOpenCamera()
3 | void CCameraGige::ICloseCamera()
4 | int32_t CCameraGige::IStartCamera()
5 | void CCameraGige::IStopCamera()
9 | void CCameraGige::ISnapImage()
11 | bool CCameraGige::ISetParameter(const ParamChange *)
12 | bool CCameraGige::IReserved12()
13 | void CCameraGige::IReserved13()
14 | void CCameraGige::IReserved14()'

# Lines of the table headed `$1`, up to the next blank line, without indentation.
table() {
    printf '%s\n' "$dump" | awk -v head="$1" '
        $0 == head { inside = 1; next }
        inside && NF == 0 { exit }
        inside { sub(/^ +/, ""); print }'
}
status=0
for check in "ICameraObject|$expected_interface" "CCameraGige|$expected_driver"; do
    class=${check%%|*}
    want=${check#*|}
    got=$(table "VFTable indices for '$class' ($(printf '%s\n' "$want" | wc -l | tr -d ' ') entries).")
    if [ "$got" != "$want" ]; then
        echo "virtual slots of $class under the MSVC ABI differ:" >&2
        printf 'expected:\n%s\ngot:\n%s\n' "$want" "$got" >&2
        status=1
    fi
done
[ $status -eq 0 ] && echo "MSVC x64 layout: static_asserts hold; ICameraObject and CCameraGige slots as the contract says"
exit $status
