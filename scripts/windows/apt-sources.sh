#!/usr/bin/env bash
# Prints deb822 "deb-src" stanzas for this machine's own Debian archives, made
# from its apt sources (one-line sources.list files and deb822 .sources), so
# `apt-get source` works where only binary entries are configured: every
# enabled binary entry is turned round as it stands; no
# archive host is named here.
set -euo pipefail

emit() {  # uris suites components signed_by
  echo "Types: deb-src"
  echo "URIs: $1"
  echo "Suites: $2"
  echo "Components: $3"
  [ -n "$4" ] && echo "Signed-By: $4"
  echo
}

# One-line format: "deb [options] uri suite component...".
for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
  [ -f "$f" ] || continue
  sed -e 's/#.*//' "$f" | while read -r type rest; do
    [ "$type" = deb ] || continue
    signed=""
    if [[ "$rest" == \[* ]]; then
      opts=${rest%%]*}
      rest=${rest#*]}
      [[ "$opts" =~ signed-by=([^\ \]]+) ]] && signed=${BASH_REMATCH[1]}
    fi
    read -r uri suite comps <<<"$rest"
    emit "$uri" "$suite" "$comps" "$signed"
  done
done

# deb822 format: stanzas separated by blank lines.
for f in /etc/apt/sources.list.d/*.sources; do
  [ -f "$f" ] || continue
  awk -v RS= '{ print $0 "\n\x1e" }' "$f" | awk -v RS='\x1e' '
    {
      types = ""; uris = ""; suites = ""; comps = ""; signed = ""; enabled = "yes"
      n = split($0, lines, "\n")
      for (i = 1; i <= n; i++) {
        line = lines[i]
        if (line ~ /^#/) continue
        key = line; sub(/:.*/, "", key)
        value = line; sub(/^[^:]*:[ \t]*/, "", value)
        if (key == "Types") types = value
        else if (key == "URIs") uris = value
        else if (key == "Suites") suites = value
        else if (key == "Components") comps = value
        else if (key == "Signed-By") signed = value
        else if (key == "Enabled") enabled = value
      }
      if (types ~ /(^| )deb( |$)/ && enabled != "no" && uris != "") {
        print "Types: deb-src"; print "URIs: " uris; print "Suites: " suites
        if (comps != "") print "Components: " comps
        if (signed != "") print "Signed-By: " signed
        print ""
      }
    }'
done
