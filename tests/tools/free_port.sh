# Sourced by the tests that start a server on loopback: free_port prints a
# port nobody listens on (bash's /dev/tcp: no client needed).
free_port() {
  local port
  for _ in $(seq 1 50); do
    port=$((20000 + RANDOM % 30000))
    (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null || { echo "$port"; return; }
  done
  return 1
}
