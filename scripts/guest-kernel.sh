#!/usr/bin/env bash
# Makes sure Debian's own kernel (the package linux-image-amd64 depends on) is
# unpacked in CACHE_DIR/tree, with its modules.dep, and prints its version.
# The test guests boot it under qemu. Downloads only when the cache holds
# another kernel or none. Given a guest's ROOT folder and modules, it also
# copies those modules and all they depend on into ROOT/lib/modules and lists
# them, in loading order, in ROOT/etc/modules.
#
#   guest-kernel.sh CACHE_DIR [ROOT MODULE...]
set -euo pipefail

cache=$1
shift
mkdir -p "$cache"
for tool in apt-get apt-cache dpkg-deb depmod modprobe; do
  command -v "$tool" >/dev/null || { echo "missing tool: $tool (scripts/install-dependencies.sh)" >&2; exit 1; }
done

# The listing is read whole before it is parsed: a reader that stops early
# would end the writer with SIGPIPE, which pipefail reports as a failure.
kernel_depends=$(apt-cache depends linux-image-amd64 2>/dev/null || true)
kernel_package=$(sed -n 's/^ *Depends: \(linux-image-[0-9].*\)$/\1/p;T;q' <<<"$kernel_depends")
if [[ -z "$kernel_package" ]]; then
  # A cached kernel serves when the package lists are gone.
  kernel_package=$(cat "$cache/package" 2>/dev/null || true)
fi
[[ -n "$kernel_package" ]] || { echo "cannot tell which kernel linux-image-amd64 depends on" >&2; exit 1; }
version=${kernel_package#linux-image-}
tree="$cache/tree"

if [[ "$(cat "$cache/package" 2>/dev/null || true)" != "$kernel_package" || ! -f "$tree/boot/vmlinuz-$version" ]]; then
  echo "fetching $kernel_package" >&2
  rm -rf "$tree" "$cache"/*.deb "$cache/package"
  if ! (cd "$cache" && apt-get download "$kernel_package" >&2); then
    # The package lists may not know the package yet.
    sudo_cmd=()
    [[ $(id -u) -eq 0 ]] || sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update >&2
    (cd "$cache" && apt-get download "$kernel_package" >&2)
  fi
  dpkg-deb -x "$cache"/"$kernel_package"_*.deb "$tree"
  # The package leaves modules.dep to its postinst.
  depmod -b "$tree" "$version"
  echo "$kernel_package" >"$cache/package"
fi

if [[ $# -gt 0 ]]; then
  root=$1
  shift
  mkdir -p "$root/lib/modules" "$root/etc"
  : >"$root/etc/modules"
  for module in "$@"; do
    modprobe -d "$tree" -S "$version" --show-depends "$module" | awk '$1 == "insmod" { print $2 }'
  done | awk '!seen[$0]++' | while read -r path; do
    relative=${path#"$tree"/lib/modules/"$version"/}
    mkdir -p "$root/lib/modules/$(dirname "$relative")"
    cp "$path" "$root/lib/modules/$relative"
    echo "/lib/modules/$relative" >>"$root/etc/modules"
  done
fi
echo "$version"
