#!/usr/bin/env bash
# Lets apt fetch Debian's source packages, which the page codec's build needs for its own copy of
# the SQL engine: adds source entries that mirror the binary entries of this release's own suites.
# Idempotent: apt's lists are refreshed only when the entries change or were never fetched.
set -euo pipefail

target=/etc/apt/sources.list.d/quillmarsh-deb-src.sources
codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
[ -n "$codename" ] || { echo "enable-deb-src: no release codename in /etc/os-release" >&2; exit 1; }

# One deb822 paragraph per binary entry of this release; other repositories are left out, since
# they may publish no sources at all.
entries() {
    local f
    for f in /etc/apt/sources.list.d/*.sources; do
        [ -e "$f" ] && [ "$f" != "$target" ] || continue
        awk -v rel="$codename" -f - "$f" <<'AWK'
function flush(   i, n, s, keep) {
    if (types ~ /(^| )deb( |$)/ && enabled !~ /^[Nn]o/) {
        n = split(suites, s, " "); keep = ""
        for (i = 1; i <= n; i++)
            if (s[i] == rel || index(s[i], rel "-") == 1) keep = keep (keep ? " " : "") s[i]
        if (keep != "") {
            printf "Types: deb-src\nURIs: %s\nSuites: %s\nComponents: %s\n", uris, keep, comps
            if (signed != "") printf "Signed-By: %s\n", signed
            printf "\n"
        }
    }
    types = uris = suites = comps = signed = enabled = ""
}
/^[ \t]*#/ { next }
/^[ \t]*$/ { flush(); next }
{
    key = tolower($1); sub(/:$/, "", key); val = $0; sub(/^[^:]*:[ \t]*/, "", val)
    if (key == "types") types = val
    else if (key == "uris") uris = val
    else if (key == "suites") suites = val
    else if (key == "components") comps = val
    else if (key == "signed-by") signed = val
    else if (key == "enabled") enabled = val
}
END { flush() }
AWK
    done
    for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
        [ -e "$f" ] || continue
        awk -v rel="$codename" '
            $1 == "deb" {
                i = 2; opts = ""
                if ($2 ~ /^\[/) { while ($i !~ /\]$/) { opts = opts " " $i; i++ } opts = opts " " $i; i++ }
                suite = $(i + 1)
                if (suite != rel && index(suite, rel "-") != 1) next
                comps = ""; for (j = i + 2; j <= NF; j++) comps = comps (comps ? " " : "") $j
                signed = ""
                if (match(opts, /signed-by=[^] ]*/)) signed = substr(opts, RSTART + 10, RLENGTH - 10)
                printf "Types: deb-src\nURIs: %s\nSuites: %s\nComponents: %s\n", $i, suite, comps
                if (signed != "") printf "Signed-By: %s\n", signed
                printf "\n"
            }' "$f"
    done
}

wanted=$(entries)
[ -n "$wanted" ] || { echo "enable-deb-src: no binary entries for $codename to mirror" >&2; exit 1; }

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
changed=0
if [ ! -f "$target" ] || [ "$(cat "$target")" != "$wanted" ]; then
    printf '%s\n' "$wanted" | $SUDO tee "$target" >/dev/null
    changed=1
fi
if [ "$changed" = 1 ] || ! compgen -G "/var/lib/apt/lists/*_source_Sources*" >/dev/null; then
    $SUDO apt-get update -qq
fi
