#!/bin/sh
# Removes what install.sh installed for this user, and nothing else.
set -eu
exec sh "$(cd "$(dirname "$0")" && pwd)/install.sh" --uninstall
