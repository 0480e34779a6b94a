#!/usr/bin/env bash
# check-packages.sh: checks the Qt 5 packages that scripts/package.sh left in
# build-package/: that they hold the libraries, the tools, the headers, the
# API reference and the quick start. It installs the library and tools
# packages with apt-get into a throwaway root, an overlay of this machine's
# root in a private mount namespace, and runs the installed quelmctl --help there. Where no overlay can
# be mounted it unpacks them with dpkg-deb instead and runs quelmctl from the
# unpacked tree. Either way quelmctl must answer exactly as the built one does.
set -euo pipefail
cd "$(dirname "$0")/.."
out=build-package
runtime="$(ls "$out"/libquelmdevices1_*.deb)"
tools="$(ls "$out"/quelmdevices-tools_*.deb)"
dev="$(ls "$out"/libquelmdevices-dev_*.deb)"
expected="$("$out/qt5/tools/quelmctl/quelmctl" --help)"

# What the packages must hold, each path once.
contents="$(for deb in "$runtime" "$tools" "$dev"; do dpkg-deb -c "$deb"; done | awk '{print $6}')"
for path in ./usr/lib/x86_64-linux-gnu/libquelmdevices.so.1 ./usr/lib/x86_64-linux-gnu/libquelmcore.so.1 \
            ./usr/lib/x86_64-linux-gnu/libvarncore.so.1 ./usr/lib/x86_64-linux-gnu/libquelmrunner.so.1 \
            ./usr/lib/x86_64-linux-gnu/libquelmsim.so.1 ./usr/bin/quelmctl ./usr/bin/quelm-simulator \
            ./usr/share/man/man1/quelmctl.1.gz ./usr/share/man/man1/quelm-simulator.1.gz \
            ./usr/share/doc/libquelmdevices1/copyright ./usr/share/doc/quelmdevices-tools/changelog.gz \
            ./usr/include/quelmdevices/version.h ./usr/include/quelmdevices/runner/commandrunner.h \
            ./usr/share/doc/libquelmdevices-dev/html/index.html \
            ./usr/share/doc/libquelmdevices-dev/examples/quickstart/main.cpp; do
    if ! grep -qxF -- "$path" <<<"$contents"; then
        echo "check-packages: $path is in no package" >&2
        exit 1
    fi
done

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/upper" "$work/work" "$work/root"
cp "$runtime" "$tools" "$work/upper/"
# Runs in a mount namespace of its own: nothing mounted here outlives it.
in_overlay() {
    mount -t overlay overlay -o "lowerdir=/,upperdir=$work/upper,workdir=$work/work" "$work/root" || return 3
    mount --rbind /dev "$work/root/dev" && mount -t proc proc "$work/root/proc" &&
        chroot "$work/root" env DEBIAN_FRONTEND=noninteractive \
            apt-get install -y -qq "/$(basename "$runtime")" "/$(basename "$tools")" >/dev/null &&
        chroot "$work/root" quelmctl --help
}
export -f in_overlay
export work runtime tools
status=0
answer="$(unshare -m --propagation private bash -c in_overlay 2>"$work/log")" || status=$?
if [ "$status" -eq 0 ]; then
    how="installed with apt-get into a throwaway root"
elif [ "$status" -eq 3 ] || ! unshare -m true 2>/dev/null; then
    for deb in "$runtime" "$tools"; do dpkg-deb -x "$deb" "$work/unpacked"; done
    answer="$("$work/unpacked/usr/bin/quelmctl" --help)"
    how="unpacked with dpkg-deb (no overlay here)"
else
    cat "$work/log" >&2
    echo "check-packages: installing $(basename "$runtime") and $(basename "$tools") failed" >&2
    exit 1
fi
if [ "$answer" != "$expected" ]; then
    echo "check-packages: the packaged quelmctl --help ($how) answered:" >&2
    echo "$answer" >&2
    exit 1
fi
echo "check-packages: quelmctl from $(basename "$runtime") and $(basename "$tools"), $how, answers as built"
