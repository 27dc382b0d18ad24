# Sourced by the screenshot scripts: starts a virtual screen of 320x320 pixels for them.
# murvel_start_xvfb FOLDER NAME: Xvfb picks a free display number and writes it to the file
# descriptor given; on return DISPLAY names it and xvfb_pid is its process. NAME goes before
# the error message.
murvel_start_xvfb() {
  local folder=$1 name=$2
  Xvfb -displayfd 3 -screen 0 320x320x24 -nolisten tcp 3>"$folder/display" 2>"$folder/xvfb.log" &
  xvfb_pid=$!
  for _ in $(seq 50); do [ -s "$folder/display" ] && break; sleep 0.1; done
  [ -s "$folder/display" ] || { echo "$name: Xvfb did not start" >&2; exit 1; }
  export DISPLAY=":$(head -n1 "$folder/display")"
}
