# Sourced by the kit author's scripts (make-disc.sh, preview.sh): what they
# need is used as it is found. Only what is absent is installed (the
# project's Debian packages, through scripts/deps.sh, which installs only
# those missing) or built (the one cmake target, into the build folder), and
# the log says which; when nothing is absent the log says that nothing was
# installed or built.
# Expects ROOT (the project folder), NAME (the script's name, for the log)
# and a function die.

NEED_DONE=""  # what was installed or built, for need_summary

need_deps() {
    [ -x "$ROOT/scripts/deps.sh" ] || die "$1, and there is no scripts/deps.sh to install it"
    echo "$NAME: $1: installing what is missing (scripts/deps.sh)"
    "$ROOT/scripts/deps.sh" || die "scripts/deps.sh failed"
    NEED_DONE="$NEED_DONE installed packages;"
}

# The packages a build needs: scripts/deps.sh only checks when all are
# there (and then says nothing here), and installs those missing.
need_packages() {
    local out
    [ -x "$ROOT/scripts/deps.sh" ] || die "a build needs the project's packages, and there is no scripts/deps.sh"
    out=$("$ROOT/scripts/deps.sh" 2>&1) || {
        echo "$out" >&2
        die "scripts/deps.sh failed"
    }
    case $out in
    *"all packages present"*) ;;
    *) echo "$out"; NEED_DONE="$NEED_DONE installed packages;" ;;
    esac
}

# need_commands COMMAND...: each a command on the PATH or an executable
# file; else the packages are installed.
need_commands() {
    local missing="" command
    for command in "$@"; do command -v "$command" >/dev/null 2>&1 || missing="$missing $command"; done
    [ -z "$missing" ] && return 0
    need_deps "not installed:$missing"
    for command in "$@"; do command -v "$command" >/dev/null 2>&1 || die "$command is still missing"; done
}

# need_built FILE BUILDDIR TARGET [CMAKE_ARGUMENT...]: FILE as it was built;
# when it is absent, TARGET is built in BUILDDIR (configured with the
# arguments if it is not yet), after the packages a build needs.
need_built() {
    local file=$1 dir=$2 target=$3 log
    shift 3
    [ -e "$file" ] && return 0
    echo "$NAME: no $file: building $target (cmake, $dir)"
    need_packages
    log=$(mktemp "${TMPDIR:-/tmp}/$NAME-build.XXXXXX")
    if ! { cmake -S "$ROOT" -B "$dir" -DCMAKE_BUILD_TYPE=Release "$@" &&
        cmake --build "$dir" --target "$target" -j "$(nproc)" -- --no-print-directory; } >"$log" 2>&1; then
        tail -n 30 "$log" >&2
        rm -f "$log"
        die "could not build $target in $dir"
    fi
    rm -f "$log"
    [ -e "$file" ] || die "building $target made no $file"
    NEED_DONE="$NEED_DONE built $target;"
}

# The log's line on what the checks found: what was installed and built, or
# that everything was there.
need_summary() {
    if [ -z "$NEED_DONE" ]; then
        echo "$NAME: nothing installed, nothing built: using $*"
    else
        echo "$NAME: before the work:${NEED_DONE%;}"
    fi
}
