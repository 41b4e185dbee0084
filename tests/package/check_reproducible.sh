# Two clean builds of the same commit, in checkouts at different paths,
# give byte-identical release artifacts. Clones the commit that is checked
# out (HEAD; uncommitted changes are not part of it) twice, builds the
# native, static and Windows configurations and their packages in each,
# with SOURCE_DATE_EPOCH unset so that both take it from the commit, and
# compares the artifacts with cmp. Nothing built here is run.
# Usage: check_reproducible.sh [SOURCE_TREE]   (default: this checkout)
set -u
. "$(dirname "$0")/../process/common.sh"
source_tree=$(realpath "${1:-$(dirname "$0")/../..}")

for tool in git cmake cpack cmp i686-w64-mingw32-g++ strip-nondeterminism; do
    command -v "$tool" > /dev/null || skip_or_fail "$tool is not installed"
done

commit=$(git -C "$source_tree" rev-parse HEAD) || { fail "source tree" "$source_tree is not a git checkout"; finish; exit; }
if [ -n "$(git -C "$source_tree" status --porcelain --untracked-files=no)" ]; then
    echo "note: $source_tree has uncommitted changes; this checks commit $commit without them"
fi

# build/packages/* and the like: the artifacts of one release, by their
# place in a checkout. Each line: configure preset, cpack preset, files.
artifacts=(
    "default deb build/vusk build/packages/vusk_*.deb"
    "static static build-static/vusk build-static/packages/vusk-*-linux-x86_64.tar.gz"
    "windows windows build-windows/vusk.exe build-windows/packages/vusk-*-win32.zip"
)

# Different names and different lengths, so that a leaked path changes
# both the bytes and the offsets after it.
checkouts=("$work_dir/a/vusk" "$work_dir/second-checkout/of/vusk-source")

# build_release CHECKOUT: clones the commit there and builds every line of
# artifacts, the test suites left out. Logs go to CHECKOUT.log.
build_release() {
    local dir=$1 line configure package files
    git clone -q --no-checkout "$source_tree" "$dir" && git -C "$dir" checkout -q --detach "$commit" || return 1
    for line in "${artifacts[@]}"; do
        read -r configure package files <<< "$line"
        (cd "$dir" &&
            cmake --preset "$configure" -DVUSK_BUILD_TESTS=OFF &&
            cmake --build --preset "$configure" --parallel 2 &&
            cpack --preset "$package") || return 1
    done
}

for dir in "${checkouts[@]}"; do
    mkdir -p "$(dirname "$dir")"
    if (unset SOURCE_DATE_EPOCH; build_release "$dir") > "$dir.log" 2>&1; then
        pass "clean build of ${commit:0:12} in $dir"
    else
        fail "clean build of ${commit:0:12} in $dir" "$(tail -n 30 "$dir.log")"
        finish
        exit
    fi
done

for line in "${artifacts[@]}"; do
    read -r configure package files <<< "$line"
    for pattern in $files; do
        first=$(cd "${checkouts[0]}" && compgen -G "$pattern")
        if [ -z "$first" ] || [ "$(wc -l <<< "$first")" != 1 ]; then
            fail "$pattern" "expected one file, found: ${first:-none}"
            continue
        fi
        if cmp "${checkouts[0]}/$first" "${checkouts[1]}/$first" > "$work_dir/cmp" 2>&1; then
            pass "$first identical ($(stat -c %s "${checkouts[0]}/$first") bytes)"
        else
            fail "$first identical" "$(cat "$work_dir/cmp")"
        fi
    done
done

finish
