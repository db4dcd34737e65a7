#!/bin/sh
# Runs a command the way an ordinary user meets folder permissions. As root, the command
# loses the two capabilities that let root read and enter any folder, where the system
# allows dropping them; otherwise it runs as it is.
#
#   as_folder_owner.sh COMMAND [ARGUMENT]...
drop=--bounding-set=-dac_override,-dac_read_search
if [ "$(id -u)" -eq 0 ] && command -v setpriv >/dev/null 2>&1 &&
    setpriv "$drop" true 2>/dev/null; then
    exec setpriv "$drop" "$@"
fi
exec "$@"
