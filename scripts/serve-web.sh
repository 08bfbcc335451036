#!/usr/bin/env bash
# Serves build-web/ (scripts/build-web.sh) on http://127.0.0.1:${1:-8023}/,
# with WebAssembly's MIME type (browsers compile it while it downloads only
# then) and no caching, so a rebuilt demo is what the next load gets.
set -euo pipefail
cd "$(dirname "$0")/../build-web"
exec python3 - "${1:-8023}" <<'PY'
import http.server, sys

class Handler(http.server.SimpleHTTPRequestHandler):
    extensions_map = {**http.server.SimpleHTTPRequestHandler.extensions_map,
                      ".wasm": "application/wasm", ".js": "text/javascript", ".xm": "application/octet-stream"}

    def end_headers(self):
        self.send_header("Cache-Control", "no-cache")
        self.send_header("Cross-Origin-Opener-Policy", "same-origin")
        self.send_header("Cross-Origin-Embedder-Policy", "require-corp")
        super().end_headers()

    def log_message(self, *args):
        pass

port = int(sys.argv[1])
with http.server.ThreadingHTTPServer(("127.0.0.1", port), Handler) as server:
    print(f"serving build-web/ on http://127.0.0.1:{port}/", flush=True)
    server.serve_forever()
PY
