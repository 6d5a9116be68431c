# Sourced by the scripts: which build of the Windows programs runs under
# which Wine on this host, found out once and passed on to the scripts it
# starts through SETUP32_WINE_ARCH.
#
#   i686    32-bit Wine and the i686 build: the product itself, as the
#           launcher's machines run it. Taken where the host executes i386 code.
#   x86_64  64-bit Wine and an x86_64 build of the same sources. Taken where
#           the host refuses every 32-bit program ("Exec format error"), as
#           some virtual machines do, and wherever SETUP32_WINE64=1 asks for it.

# True when the kernel runs a static i386 program natively: a 93-byte ELF
# file whose only instructions are exit(0) through int 0x80. An i386 entry
# in binfmt_misc (qemu-user) would run it too, but 32-bit Wine does not work
# under emulation, so such a host counts as one that can't.
host_runs_i386() {
    local probe status
    for entry in /proc/sys/fs/binfmt_misc/qemu-i386 /proc/sys/fs/binfmt_misc/qemu-i486; do
        [ -f "$entry" ] && grep -qx enabled "$entry" 2>/dev/null && return 1
    done
    probe=$(mktemp /tmp/setup32-i386.XXXXXX) || return 1
    printf '%b' \
        '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00' \
        '\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00' \
        '\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00' \
        '\x00\x00\x00\x00' \
        '\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08' \
        '\x5d\x00\x00\x00\x5d\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00' \
        '\xb8\x01\x00\x00\x00\x31\xdb\xcd\x80' >"$probe"
    chmod +x "$probe"
    "$probe" 2>/dev/null
    status=$?
    rm -f "$probe"
    return $status
}

if [ -z "${SETUP32_WINE_ARCH:-}" ]; then
    if [ "${SETUP32_WINE64:-0}" = 1 ]; then
        SETUP32_WINE_ARCH=x86_64
    elif host_runs_i386; then
        SETUP32_WINE_ARCH=i686
    else
        SETUP32_WINE_ARCH=x86_64
        echo "This host does not execute i386 code: the Windows programs run as x86_64 builds under 64-bit Wine" >&2
    fi
fi
export SETUP32_WINE_ARCH

# The build folder of the Windows programs of an architecture.
windows_build() { [ "$1" = x86_64 ] && echo win64 || echo win32; }
