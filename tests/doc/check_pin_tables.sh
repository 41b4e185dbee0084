# The pin tables of the README and of the manual page say what the
# program's help says: the same modes under the same letters, and for each
# mode the same signals on the same pins, row by row. The help is read from
# the real binary, run where port access is refused (an empty /dev), so
# that nothing reaches a port.
# Usage: check_pin_tables.sh PATH_TO_VUSK README PAGE (plain or gzipped)
set -u
vusk=$1
readme=$2
page=$3
. "$(dirname "$0")/../process/common.sh"

[ "$(id -u)" = 0 ] || skip_or_fail "needs root to run vusk -h with a private, empty /dev"
command -v unshare > /dev/null || skip_or_fail "unshare is not installed"

# With nothing under /dev (and no parallel-port devices under
# /proc/sys/dev, where that can be hidden) access is refused.
VUSK=$vusk unshare --mount -- bash -c '
    mount -t tmpfs vusk-test-dev /dev || exit 200
    [ -d /proc/sys/dev ] && mount -t tmpfs vusk-test-sys-dev /proc/sys/dev 2> /dev/null
    "$VUSK" -h
' > "$work_dir/help"
status=$?
expect_equal "vusk -h, access refused" "exit status" 255 "$status"
# The help ends in the version line, which has no line feed; the access
# error follows it.
help=$(cat "$work_dir/help"; echo .)
help=${help%.}
if [ "${help%"$access_error"}" = "$help" ]; then
    fail "vusk -h, access refused" "output does not end in the access error" "$(tail -3 "$work_dir/help")"
    finish
    exit
fi
printf '%s' "${help%"$access_error"}" > "$work_dir/help"

# Every source is brought to one form, a line per mode and per pin row:
#   mode b ByteBlasterMV
#   b TCK=1 SCK=4            (adapter signal=pin, then the connector's)
#   a TCK=1 TCK=9@IDC14 TCK=9@IDC20
# Pins are written without spaces ("2,3").

# The help: each mode's option line, then one line per signal, each
# "(SIGNAL pin PIN[/CONNECTOR])" group being one signal on one pin.
awk '
    /^  -[a-z] LPT address\(hex\) +: / {
        letter = substr($0, 4, 1)
        name = $0; sub(/^[^:]*: /, "", name)
        print "mode " letter " " name
        next
    }
    letter != "" && /^\t\(/ {
        row = letter; line = $0
        while (match(line, /\([A-Za-z0-9_]+ pin [0-9,]+(\/[A-Za-z0-9]+)?\)/)) {
            group = substr(line, RSTART + 1, RLENGTH - 2)
            line = substr(line, RSTART + RLENGTH)
            split(group, part, " ")
            n = split(part[3], pin, "/")
            row = row " " part[1] "=" pin[1] (n > 1 ? "@" pin[2] : "")
        }
        print row
    }
' "$work_dir/help" > "$work_dir/from_help"

# The documents, once brought to lines of two kinds:
#   "H ByteBlasterMV (-b) and Xilinx JTAG (-x)"   a heading naming modes
#   "T cell|cell|..."                              a table line
# The first table line after a heading is its header. A header cell with
# "signal" starts a signal column; each "pin" cell after it is one pin of
# that signal, and a header such as "IDC14 pin" names the connector.
to_rows() {
    awk '
        /^H / {
            delete letters; count = 0; header = 1
            rest = substr($0, 3)
            while (match(rest, /[^()]+ \(-[a-z]\)/)) {
                pair = substr(rest, RSTART, RLENGTH)
                rest = substr(rest, RSTART + RLENGTH)
                sub(/^ *(and )?/, "", pair)
                letter = substr(pair, length(pair) - 1, 1)
                name = pair; sub(/ \(-[a-z]\)$/, "", name)
                letters[++count] = letter
                print "mode " letter " " name
            }
            next
        }
        /^T / && count > 0 {
            n = split(substr($0, 3), cell, "|")
            for (i = 1; i <= n; i++) { gsub(/^ +| +$/, "", cell[i]) }
            if (header) {
                header = 0
                for (i = 1; i <= n; i++) {
                    kind[i] = cell[i] ~ /signal/ ? "signal" : "pin"
                    label[i] = cell[i] ~ /^IDC[0-9]+ pin$/ ? "@" substr(cell[i], 1, length(cell[i]) - 4) : ""
                }
                next
            }
            row = ""
            for (i = 1; i <= n; i++) {
                if (kind[i] == "signal") { signal = cell[i]; continue }
                pin = cell[i]; gsub(/ /, "", pin)
                row = row " " signal "=" pin label[i]
            }
            for (k = 1; k <= count; k++) { rows[letters[k]] = rows[letters[k]] letters[k] row "\n" }
        }
        END { for (l in rows) printf "%s", rows[l] }
    '
}

# Mode lines first, then each mode's rows in their own order.
canonical() { grep '^mode ' "$1" | sort; grep -v '^mode ' "$1" | sort -s -k1,1; }

# README: the "Pin assignments" section; headings are bold mode names
# with the option letter in backticks, tables are Markdown.
sed -n '/^## Pin assignments$/,/^## /p' "$readme" | awk '
    /^\*\*.*\(`-[a-z]`\)/ { gsub(/\*\*|`/, ""); print "H " $0; next }
    /^\|[-|: ]+\|$/ { next }
    /^\|/ { line = $0; sub(/^\| */, "", line); sub(/ *\|$/, "", line); print "T " line }
' | to_rows > "$work_dir/from_readme"

# The manual page: the PIN ASSIGNMENTS section; headings are .SS lines,
# tables are tbl data with "|" between the cells.
gzip -dcf "$page" | sed -n '/^\.SH PIN ASSIGNMENTS/,/^\.SH [^P]/p' | awk '
    { gsub(/\\f[BIRP]/, ""); gsub(/\\-/, "-") }
    /^\.SS / { print "H " substr($0, 5); next }
    /^[^.].*\|/ && !/^tab\(/ { print "T " $0 }
' | to_rows > "$work_dir/from_page"

canonical "$work_dir/from_help" > "$work_dir/help_rows"
if [ "$(grep -c '^mode ' "$work_dir/help_rows")" -ne 5 ] || [ "$(grep -vc '^mode ' "$work_dir/help_rows")" -lt 20 ]; then
    fail "help" "not read as five modes with their pin rows" "$(cat "$work_dir/help_rows")"
fi
for doc in readme page; do
    canonical "$work_dir/from_$doc" > "$work_dir/${doc}_rows"
    if cmp -s "$work_dir/help_rows" "$work_dir/${doc}_rows"; then
        pass "$doc pin tables match the help ($(grep -vc '^mode ' "$work_dir/help_rows") rows, 5 modes)"
    else
        fail "$doc pin tables match the help" "diff (help, $doc):" \
            "$(diff "$work_dir/help_rows" "$work_dir/${doc}_rows")"
    fi
done

finish
