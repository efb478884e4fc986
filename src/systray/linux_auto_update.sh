#!/bin/sh
# Installs a downloaded Fotoria update once the tray client has quit.
# Usage: linux_auto_update.sh INSTALLER SHA256
# Started detached by tessel just before it quits, with the SHA-256 of what
# it downloaded. Accepts a Debian package (.deb), an AppImage, a tarball
# unpacked over the program folder, or a self-extracting installer (.run,
# .sh, .bin).
set -u

installer=${1:-}
expected=${2:-}
if [ -z "$installer" ] || [ ! -f "$installer" ] || [ -L "$installer" ] || [ ! -O "$installer" ]; then
    echo "linux_auto_update: no installer of this user at '$installer'" >&2
    exit 2
fi

program_dir=$(CDPATH= cd -- "$(dirname -- "$0")" && pwd)
# Beside the installer, in the user's own update folder.
log=$(dirname -- "$installer")/fotoria-update.log
# What the next start of tessel tells the person, once.
note=$(dirname -- "$installer")/update-failed.txt

# Written whole (renamed into place), so tessel never reads half a note.
leave_note() {
    printf '%s\n' "$1" >"$note.part" && mv -f -- "$note.part" "$note"
}

# Wait up to a minute for the client that started us to go away, so that no
# file in use is replaced. The client passes its process id.
client_running() {
    if [ -n "${FOTORIA_CLIENT_PID:-}" ]; then
        kill -0 "$FOTORIA_CLIENT_PID" 2>/dev/null
    else
        pgrep -u "$(id -u)" -x tessel >/dev/null 2>&1
    fi
}
tries=0
while client_running && [ "$tries" -lt 60 ]; do
    sleep 1
    tries=$((tries + 1))
done

# Checked again just before installing: what is installed is what tessel
# downloaded and checked, not a file put in its place since.
actual=$(sha256sum -- "$installer" 2>/dev/null | cut -d' ' -f1)
if [ -z "$expected" ] || [ "$actual" != "$(echo "$expected" | tr 'A-F' 'a-f')" ]; then
    echo "linux_auto_update: refused $installer: its SHA-256 $actual is not the downloaded one '$expected'" | tee -a "$log" >&2
    leave_note "the downloaded file was changed before it could be installed (its checksum does not match). Nothing was changed; the next update check offers it again."
    exit 4
fi

status=0
relaunch=$program_dir/tessel
case "$installer" in
*.deb)
    if command -v pkexec >/dev/null 2>&1; then
        pkexec apt-get install -y "$installer" >>"$log" 2>&1 || status=$?
    else
        echo "linux_auto_update: pkexec is missing, cannot install $installer" >>"$log"
        status=3
    fi
    ;;
*.AppImage | *.appimage)
    # Replace the running AppImage when we were started from one.
    target=${APPIMAGE:-$program_dir/Fotoria.AppImage}
    cp -f "$installer" "$target.new" && chmod +x "$target.new" && mv -f "$target.new" "$target" || status=$?
    relaunch=$target
    ;;
*.tar.gz | *.tgz | *.tar.xz | *.tar)
    # A tarball whose entries share one top folder is unpacked without it.
    strip=0
    tops=$(tar -tf "$installer" 2>/dev/null | cut -d/ -f1 | sort -u | wc -l)
    if [ "$tops" -eq 1 ] && tar -tf "$installer" | grep -q /; then
        strip=1
    fi
    tar -xf "$installer" -C "$program_dir" --strip-components="$strip" >>"$log" 2>&1 || status=$?
    ;;
*)
    chmod +x "$installer" && "$installer" >>"$log" 2>&1 || status=$?
    ;;
esac

if [ "$status" -ne 0 ]; then
    echo "linux_auto_update: installing $installer failed with $status" >>"$log"
    leave_note "the installer ended with status $status. Its output is in $log."
    exit "$status"
fi
# Installed: the update folder outlives reboots, unlike the temporary one.
rm -f -- "$installer" "$note"

# Start the updated client again, detached from this script.
if [ -x "$relaunch" ]; then
    nohup "$relaunch" >/dev/null 2>&1 &
fi
exit 0
