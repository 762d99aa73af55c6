# What the shell tests share; source it first:
#   . "$(dirname "$0")/test_lib.sh"
#   work_folder service-test     # $work, removed at exit with the process of $pid killed
#   wait_for 100 test -s "$work/out" || fail "no output"
# The test stops only what it started, by its process id ($pid), never by name.

# Makes $work (/tmp/quorvane-NAME-XXXXXX) and sets $pid empty; at exit the process of $pid, when
# it still runs, is killed and $work removed.
work_folder() {
  work=$(mktemp -d "/tmp/quorvane-$1-XXXXXX")
  pid=
  trap stop_and_clean_up EXIT
}
stop_and_clean_up() {
  if [ -n "${pid:-}" ] && kill -0 "$pid" 2>/dev/null; then kill -KILL "$pid"; fi
  rm -rf "$work"
}

# not_empty FOLDER: succeeds when FOLDER holds anything.
not_empty() { [ -n "$(ls -A "$1" 2>/dev/null)" ]; }

# ended PID: succeeds when the process PID has ended.
ended() { ! kill -0 "$1" 2>/dev/null; }

# wait_for TRIES COMMAND...: runs COMMAND every 50 ms until it succeeds, at most TRIES times;
# succeeds when COMMAND did.
wait_for() {
  local tries=$1
  shift
  for _ in $(seq "$tries"); do
    "$@" && return 0
    sleep 0.05
  done
  return 1
}
