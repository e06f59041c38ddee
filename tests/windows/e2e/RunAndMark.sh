#!/bin/sh
# Runs a Unix program for the Windows end-to-end tests and writes its exit
# status to a file once it has ended: a Windows process that starts a Unix
# program under Wine learns neither when it ends nor how.
#   RunAndMark.sh STATUS-FILE PROGRAM [ARGUMENT...]
status_file="$1"
shift
"$@"
echo "$?" >"$status_file.partial"
mv "$status_file.partial" "$status_file"
