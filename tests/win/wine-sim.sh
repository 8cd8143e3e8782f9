# Sourced by the tests under tests/win/: simulators behind Wine's COM ports, and the one way to
# end such a test. Needs $work (a scratch folder) set. stop() stops Wine before the simulators:
# a wineserver whose terminal hangs up floods standard error.
wineserver=/usr/lib/wine/wineserver
pids=()
stop() {
    "$wineserver" -k 2>/dev/null || true
    "$wineserver" -w 2>/dev/null || true
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    for p in "${pids[@]}"; do wait "$p" 2>/dev/null || true; done
    rm -rf "$work"
}
trap stop EXIT

# start_sim VAR SIM [OPTION...]: starts a simulator (not in a subshell, so that stop() knows it);
# its announced link, once it has printed it (its second line), goes into VAR.
start_sim() {
    local var=$1 sim=$2 out="$work/$1.out"
    shift 2
    XDG_RUNTIME_DIR="$work" "$sim" "$@" >"$out" 2>"$out.err" &
    pids+=($!)
    for _ in $(seq 100); do
        [ "$(wc -l <"$out")" -ge 2 ] && break
        sleep 0.05
    done
    printf -v "$var" '%s' "$(sed -n 2p "$out")"
}
