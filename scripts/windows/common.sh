# Shared by the Windows build scripts: where the cross-built dependencies are kept and how the
# sources are fetched. Sourced, not run.
DRAVIK_QT_VERSION=6.4.2
# Kept outside the clone so that every checkout on the machine shares one Qt build.
DRAVIK_WIN_CACHE="${DRAVIK_WIN_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/dravik-windows}"
# Source packages come from the archive the machine already uses, through a private apt state
# so the system's own package lists are left as they are.
win_apt() {
  local state="$DRAVIK_WIN_CACHE/apt"
  mkdir -p "$state/lists/partial" "$state/cache/archives/partial"
  local uris suites
  # The same mirror and suites as the machine's binary sources.
  if [ ! -f "$state/sources.list" ]; then
    {
      for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
        [ -f "$f" ] && grep -E '^deb ' "$f" | grep -E 'debian' | sed 's/^deb /deb-src /'
      done
      for f in /etc/apt/sources.list.d/*.sources; do
        [ -f "$f" ] || continue
        awk '/^URIs:/{u=$2} /^Suites:/{s=""; for(i=2;i<=NF;i++) s=s" "$i} /^Components:/{c=""; for(i=2;i<=NF;i++) c=c" "$i}
             /^$/{if(u ~ /debian/ && s!="") for(n=split(s,a," ");n>0;n--) print "deb-src " u " " a[n] c; u=s=c=""}
             END{if(u ~ /debian/ && s!="") for(n=split(s,a," ");n>0;n--) print "deb-src " u " " a[n] c}' "$f"
      done
    } | sort -u > "$state/sources.list"
  fi
  apt-get -o Dir::Etc::SourceList="$state/sources.list" -o Dir::Etc::SourceParts=/dev/null \
          -o Dir::State::Lists="$state/lists" -o Dir::Cache="$state/cache" \
          -o APT::Sandbox::User=root "$@"
}
# Fetches and unpacks one Debian source package (with Debian's patches) into $DRAVIK_WIN_CACHE/src,
# once; prints the unpacked folder.
win_source() {
  local pkg="$1" dir="$DRAVIK_WIN_CACHE/src"
  mkdir -p "$dir"
  if [ -f "$dir/$pkg.unpacked" ]; then cat "$dir/$pkg.unpacked"; return; fi
  ( cd "$dir"
    [ -n "$(ls "$DRAVIK_WIN_CACHE"/apt/lists/*Sources* 2>/dev/null)" ] || win_apt update -qq >&2
    win_apt source --download-only "$pkg" >&2
    local dsc; dsc=$(ls -t "$pkg"_*.dsc | head -1)
    local out="$dir/${dsc%.dsc}"
    rm -rf "$out"
    dpkg-source --no-check -x "$dsc" "$out" >&2
    echo "$out" > "$pkg.unpacked" )
  cat "$dir/$pkg.unpacked"
}
