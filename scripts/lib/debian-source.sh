# Fetches and unpacks Debian source packages without touching the system's apt
# configuration: a private sources list (deb-src lines with the URIs and suites
# of the system's own Debian sources), a private state and cache folder.
#
#   . scripts/lib/debian-source.sh
#   debian_source_unpack NAME STATE_DIR DEST_DIR   # prints the unpacked folder

# The system's Debian sources as deb-src, in deb822 form.
debian_source_list() {
  local system
  for system in /etc/apt/sources.list.d/debian.sources /etc/apt/sources.list.d/*.sources; do
    [ -f "$system" ] || continue
    grep -q 'debian' "$system" || continue
    sed -e 's/^Types:.*/Types: deb-src/' "$system"
    return 0
  done
  # Older one-line form.
  if [ -f /etc/apt/sources.list ]; then
    local uri suite
    grep -E '^deb[[:space:]]' /etc/apt/sources.list | grep debian |
      while read -r _ uri suite _; do
        printf 'Types: deb-src\nURIs: %s\nSuites: %s\nComponents: main\n\n' "$uri" "$suite"
      done
    return 0
  fi
  echo "debian-source: no Debian sources found in /etc/apt" >&2
  return 1
}

# apt-get with every path that it would write or read for sources redirected
# into STATE_DIR.
debian_source_apt() {
  local state="$1"; shift
  apt-get -qq \
    -o Dir::Etc::SourceList="$state/sources.sources" \
    -o Dir::Etc::SourceParts=/dev/null \
    -o Dir::State::Lists="$state/lists" \
    -o Dir::Cache="$state/cache" \
    -o Debug::NoLocking=1 \
    -o APT::Sandbox::User=root \
    "$@"
}

debian_source_cache() {
  local state="$1"; shift
  apt-cache \
    -o Dir::Etc::SourceList="$state/sources.sources" \
    -o Dir::Etc::SourceParts=/dev/null \
    -o Dir::State::Lists="$state/lists" \
    -o Dir::Cache="$state/cache" \
    "$@"
}

debian_source_unpack() {
  local name="$1" state="$2" dest="$3"
  mkdir -p "$state/lists/partial" "$state/cache/archives/partial" "$dest"
  # apt reads a deb822 list only from a file ending in .sources.
  debian_source_list >"$state/sources.sources"
  debian_source_apt "$state" update >&2
  local work
  work=$(mktemp -d "$dest/.fetch.XXXXXX")
  # The newest version first; when its files cannot be fetched (a security
  # update whose pool is not reachable from here), the next older one, and
  # say so: the build then lacks that update's fixes.
  local versions version newest="" dsc=""
  versions=$(debian_source_cache "$state" showsrc "$name" | sed -n 's/^Version: //p' | sort -u |
    python3 -c 'import sys, functools, subprocess
def newer(a, b):
    return subprocess.run(["dpkg", "--compare-versions", a, "gt", b]).returncode == 0
v = [line.strip() for line in sys.stdin if line.strip()]
v.sort(key=functools.cmp_to_key(lambda a, b: 1 if newer(a, b) else -1), reverse=True)
print("\n".join(v))')
  for version in $versions; do
    [ -n "$newest" ] || newest=$version
    rm -f "$work"/*
    if (cd "$work" && debian_source_apt "$state" source --download-only "$name=$version" >/dev/null 2>&1); then
      dsc=$(ls "$work"/*.dsc 2>/dev/null | head -n1)
      [ -n "$dsc" ] && break
    fi
  done
  [ -n "$dsc" ] || { echo "debian-source: no source package for $name could be fetched" >&2; return 1; }
  if [ "$version" != "$newest" ]; then
    echo "debian-source: $name $newest could not be fetched; using $version, which lacks the fixes of the versions between" >&2
  fi
  local folder="$dest/$(basename "$dsc" .dsc)"
  rm -rf "$folder"
  dpkg-source --no-check -x "$dsc" "$folder" >/dev/null
  rm -rf "$work"
  printf '%s\n' "$folder"
}
