# The manual page: groff and man-db format it without a single warning,
# and it quotes the command line's messages exactly as the program writes
# them (the texts shared with the process-level tests).
# Usage: check_manpage.sh PAGE (plain or gzipped)
set -u
page=$1
. "$(dirname "$0")/../process/common.sh"

command -v groff > /dev/null || skip_or_fail "groff is not installed (groff-base)"
command -v man > /dev/null || skip_or_fail "man is not installed (man-db)"

if ! gzip -dcf "$page" > "$work_dir/page.1" 2> "$work_dir/err"; then
    fail "read $page" "$(cat "$work_dir/err")"
    finish
    exit
fi

# no_warnings NAME COMMAND...: COMMAND succeeds and writes nothing to stderr.
no_warnings() {
    local name=$1
    shift
    "$@" > "$work_dir/out" 2> "$work_dir/err"
    local status=$?
    if [ "$status" -eq 0 ] && [ ! -s "$work_dir/err" ]; then
        pass "$name"
    else
        fail "$name" "status $status" "$(cat "$work_dir/err")"
    fi
}

export LC_ALL=C MANWIDTH=80 MANPAGER=cat PAGER=cat
# tbl is asked for by the page's first line; groff needs -t spelled out.
no_warnings "groff -ww -t -man" groff -ww -z -t -man "$work_dir/page.1"
no_warnings "man --warnings -l" man --warnings -l "$page"
cp "$work_dir/out" "$work_dir/page.txt"

# The page writes single-line messages as C string literals.
c_literal() { printf '"%s"' "${1//$'\n'/\\n}"; }
for message in "$no_argument" "$unknown_option" "$access_error"; do
    literal=$(c_literal "$message")
    if grep -qF -- "$literal" "$work_dir/page.txt"; then
        pass "quotes $literal"
    else
        fail "quotes $literal" "not found in the formatted page"
    fi
done

# The usage block is shown as it appears on screen: its seven lines, in
# order, at one indentation (trailing blanks do not show in a page).
mapfile -t usage_lines <<< "${usage_block%$'\n'}"
first=$(grep -nF -- "${usage_lines[0]% }" "$work_dir/page.txt" | head -1 | cut -d: -f1)
if [ -z "$first" ]; then
    fail "usage block" "its first line is not in the formatted page"
else
    first_line=$(sed -n "${first}p" "$work_dir/page.txt")
    indent=${first_line%%[! ]*}
    shown=$(sed -n "${first},$((first + 6))p" "$work_dir/page.txt" | sed "s/^$indent//; s/ *\$//")
    expected=$(printf '%s\n' "${usage_lines[@]}" | sed 's/ *$//')
    expect_equal "usage block" "lines" "$expected" "$shown"
fi

finish
