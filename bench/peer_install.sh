# SPDX-License-Identifier: BSD-2-Clause
# Sourced by the benchmark scripts: install COMMAND's Debian PACKAGE when the
# command is missing (as root; the package lists are updated once).
# False when the command cannot be had.
peer_install_updated=no
install() {  # command, Debian package
    command -v "$1" >/dev/null 2>&1 && return 0
    [ "$(id -u)" = 0 ] || return 1
    if [ "$peer_install_updated" = no ]; then
        apt-get update >/dev/null 2>&1 || true
        peer_install_updated=yes
    fi
    DEBIAN_FRONTEND=noninteractive apt-get install -y "$2" >/dev/null 2>&1 || true
    command -v "$1" >/dev/null 2>&1
}
