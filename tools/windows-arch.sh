#!/usr/bin/env bash
# Prints the Windows target whose programs this machine's Wine can run:
# i686 (32-bit, the build to ship) when the kernel runs 32-bit x86 code,
# else x86_64. Some virtual machines run 64-bit user code only; 32-bit Wine
# cannot start there at all.
set -euo pipefail
probe=$(mktemp)
trap 'rm -f "$probe"' EXIT
# The smallest 32-bit x86 Linux program: exit(0) through int 0x80.
python3 - "$probe" <<'PY'
import struct, sys
code = bytes([0x31, 0xDB, 0xB8, 0x01, 0x00, 0x00, 0x00, 0xCD, 0x80])
base, size = 0x08048000, 52 + 32 + len(code)
elf = struct.pack('<16sHHIIIIIHHHHHH', b'\x7fELF\x01\x01\x01' + bytes(9), 2, 3, 1,
                  base + 84, 52, 0, 0, 52, 32, 1, 0, 0, 0)
elf += struct.pack('<IIIIIIII', 1, 0, base, base, size, size, 5, 0x1000)
open(sys.argv[1], 'wb').write(elf + code)
PY
chmod +x "$probe"
if "$probe" 2>/dev/null; then echo i686; else echo x86_64; fi
