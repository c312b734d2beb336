#!/usr/bin/env bash
# Two loopback HTTPS servers for the black-box tests of the helper libraries, with a certificate
# authority of their own. The tests trust that authority inside the throwaway Wine prefix only; nothing
# is added to this machine's certificate stores.
#
#   scripts/tls_servers.sh start   make the authority and a certificate for "localhost" (once), start both
#   scripts/tls_servers.sh stop    end both servers (by their process group)
#
# Everything lives in KESTREL_TLS_DIR (default build/tls), which the tests find through the same variable:
#   ca.der             the authority's certificate, for the Wine prefix's root store
#   www/  get.port     `openssl s_server -HTTP` sends the files of www/, each a whole HTTP answer, and
#   get.log            notes "FILE:name" for each
#   post.port          one `openssl s_server` per connection, restarted in a loop on one port, answers
#   post.log           "200 ok" and appends the request to post.log
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
dir=${KESTREL_TLS_DIR:-$root/build/tls}

make_certificates() {
    [ -f "$dir/server.pem" ] && [ -f "$dir/ca.der" ] && return 0
    mkdir -p "$dir"
    (
        cd "$dir"
        openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem -days 3650 \
            -subj "/CN=Kestrel test authority" -addext "basicConstraints=critical,CA:TRUE" \
            -addext "keyUsage=critical,keyCertSign,cRLSign" 2>/dev/null
        openssl req -newkey rsa:2048 -nodes -keyout server.key -out server.csr -subj "/CN=localhost" 2>/dev/null
        printf 'subjectAltName=DNS:localhost\nextendedKeyUsage=serverAuth\nbasicConstraints=CA:FALSE\n' >server.ext
        openssl x509 -req -in server.csr -CA ca.pem -CAkey ca.key -CAcreateserial -out server.pem -days 3650 \
            -extfile server.ext 2>/dev/null
        openssl x509 -in ca.pem -outform der -out ca.der
        rm -f server.csr server.ext ca.srl
    )
}

free_port() {
    local port
    for _ in $(seq 1 100); do
        port=$((30000 + RANDOM % 20000))
        if [ -z "$(ss -Htln "sport = :$port")" ]; then
            echo "$port"
            return 0
        fi
    done
    return 1
}

stop() {
    for name in get post; do
        if [ -f "$dir/$name.pid" ]; then
            kill -- "-$(cat "$dir/$name.pid")" 2>/dev/null || true
            rm -f "$dir/$name.pid"
        fi
    done
}

start() {
    stop
    make_certificates
    mkdir -p "$dir/www"
    rm -f "$dir/get.port" "$dir/post.port"
    : >"$dir/get.log"
    : >"$dir/post.log"
    printf 'HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\nContent-Length: 2\r\nConnection: close\r\n\r\nok' \
        >"$dir/post-response.http"

    # The GET server picks its own port and reports it.
    (cd "$dir/www" && exec setsid openssl s_server -accept 127.0.0.1:0 -cert ../server.pem -key ../server.key \
        -HTTP >"$dir/get.log" 2>&1 </dev/null) &
    echo $! >"$dir/get.pid"
    for _ in $(seq 1 100); do
        port=$(sed -n 's/^ACCEPT 127\.0\.0\.1:\([0-9]*\)$/\1/p' "$dir/get.log")
        [ -n "$port" ] && break
        sleep 0.1
    done
    if [ -z "${port:-}" ]; then
        echo "tls_servers: the GET server did not start (see $dir/get.log)" >&2
        stop
        return 1
    fi
    echo "$port" >"$dir/get.port"

    port=$(free_port)
    rm -f "$dir/post.fifo"
    mkfifo "$dir/post.fifo"
    setsid bash "$0" serve-post "$port" </dev/null >/dev/null 2>&1 &
    echo $! >"$dir/post.pid"
    for _ in $(seq 1 100); do
        [ -n "$(ss -Htln "sport = :$port")" ] && break
        sleep 0.1
    done
    echo "$port" >"$dir/post.port"
}

# The POST server sends what it reads from its input, so each connection needs a fresh one. Its answer
# waits until the request is in (Wine's TLS client loses data that arrives with the end of the
# handshake), and its input stays open until it ends (at the input's end it drops the connection).
serve_post() {
    local port=$1 size server
    set +e # a connection that went wrong ends one server, never the loop
    while :; do
        size=$(stat -c %s "$dir/post.log")
        openssl s_server -accept "127.0.0.1:$port" -cert "$dir/server.pem" -key "$dir/server.key" \
            -quiet -naccept 1 <"$dir/post.fifo" >>"$dir/post.log" 2>&1 &
        server=$!
        {
            while [ "$(stat -c %s "$dir/post.log")" = "$size" ] && kill -0 "$server" 2>/dev/null; do
                sleep 0.05
            done
            sleep 0.3
            cat "$dir/post-response.http"
            tail -f /dev/null --pid="$server"
        } >"$dir/post.fifo"
        wait "$server"
    done
}

case "${1:-}" in
start) start ;;
serve-post) serve_post "$2" ;;
stop) stop ;;
*)
    echo "usage: $0 start|stop" >&2
    exit 2
    ;;
esac
