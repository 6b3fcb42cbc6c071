# Sourced, not run. windows_tool_ended NAME STATUS ERRORS: whether a Windows tool run under Wine
# (wine-run.sh) ended well: exit code 0, or 127 with the host's dynamic loader's fault in
# ERRORS, an assertion that fails as Wine exits, after the tool has ended; it takes the exit
# code with it, so the tool's files are the test. The fault's line is taken out of ERRORS.
windows_tool_ended() {
  local name=$1 status=$2 errors=$3
  [[ $status == 0 ]] && return 0
  if [[ $status == 127 ]] && grep -q '^Inconsistency detected by ld.so: dl-fini.c' "$errors"; then
    sed -i '/^Inconsistency detected by ld.so: dl-fini.c/d' "$errors"
    echo "$name: exit code lost to the host loader's fault as Wine exited; not checked"
    return 0
  fi
  echo "$name: FAILED: exit code $status: $(cat "$errors")" >&2
  return 1
}
