# Background processes of a script, killed when it exits, and the demo
# gateway started among them.

pids=()
kill_background()
{
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
}
trap kill_background EXIT

# start_demo_gateway PROGRAM LOG ARGS...: starts the demo gateway in the
# background and waits for the address it prints, which ends up in
# $gateway_base. Exits the script when the gateway does not start.
start_demo_gateway()
{
    local program=$1 log=$2
    shift 2
    "$program" "$@" >"$log" 2>&1 &
    pids+=($!)
    local pid=$!
    gateway_base=
    for _ in $(seq 50); do
        gateway_base=$(grep -o 'http://127\.0\.0\.1:[0-9]*' "$log" | head -n1 || true)
        [ -n "$gateway_base" ] && return 0
        if ! kill -0 "$pid" 2>/dev/null; then
            echo "The demo gateway did not start (is its port in use?):" >&2
            cat "$log" >&2
            exit 1
        fi
        sleep 0.1
    done
    echo "The demo gateway printed no address." >&2
    exit 1
}
