#!/usr/bin/env python3
"""Loopback demo site for Kesmora: the customer-service site and the advertisement and
update site in one server (python3 standard library only).

Both built-in hosts of a demo build point here (http://127.0.0.1:PORT). Served:
  /tongji.php                   status text for the window title (UTF-8)
  /service/login/index          console login page (the web view's start page)
  /service/login/reg            sign-up page
  /download/                    download page
  /index/index/home?...         support chat page
  /api/ad_website.php?id=1..8   advertisement records: {"picture": ..., "site": ...}
  /pics/<file>                  tile pictures (PNG, JPEG, animated GIF, BMP, ICO, PCX, CUR)
  /sites/1..8                   the advertisers' pages
  /bb/1.txt                     published version text, percent-encoded UTF-8

Addresses inside records are built per request from the Host header, so they carry the
port the program really used.

For tests:
  --port 0 --port-file F   take a free port and write its number to F once listening
  --log FILE               one line per request, "METHOD PATH?QUERY", in arrival order,
                           flushed at once
  --version-text TEXT      body of /bb/1.txt (default 1.0), sent as given
  --version-file FILE      body of /bb/1.txt read from FILE at every request (wins over
                           --version-text); rewrite the file to change the answer
  --override-dir DIR       a file in DIR named after the percent-encoded path and query
                           (urllib.parse.quote(path, safe="")), e.g.
                           "%2Fapi%2Fad_website.php%3Fid%3D2", replaces that answer; it is
                           read at every request, "{base}" in it becomes
                           http://HOST:PORT, and a file of the same name plus ".status"
                           holding a number sets the status code
  --cert FILE --key FILE   serve HTTPS instead of HTTP
"""

import argparse
import html
import json
import mimetypes
import os
import socket
import ssl
import sys
import threading
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

HERE = os.path.dirname(os.path.abspath(__file__))
TILES = 8
TILE_PICTURES = {
    1: "tile1.png",
    2: "tile2.jpg",
    3: "tile3.gif",
    4: "tile4.bmp",
    5: "tile5.ico",
    6: "tile6.pcx",
    7: "tile7.cur",
    8: "tile8.png",
}
ADVERTISERS = {
    1: "云帆办公用品",
    2: "橙光摄影工作室",
    3: "绿野农场直销",
    4: "紫檀家具",
    5: "红叶书店",
    6: "青石茶社",
    7: "金穗烘焙",
    8: "远山旅行社",
}
STATUS_TEXT = "今日接待访客 128 人，在线客服 3 人"
CONTENT_TYPES = {
    ".png": "image/png",
    ".jpg": "image/jpeg",
    ".gif": "image/gif",
    ".bmp": "image/bmp",
    ".ico": "image/x-icon",
    ".cur": "image/x-icon",
    ".pcx": "image/x-pcx",
}

PAGE = """<!DOCTYPE html>
<html lang="zh-CN"><head><meta charset="utf-8"><title>{title}</title>
<style>
body {{ font-family: "Noto Sans CJK SC", sans-serif; margin: 0; background: #f3f6fa; color: #223; }}
header {{ background: #1565c0; color: #fff; padding: 14px 24px; font-size: 20px; }}
main {{ max-width: 720px; margin: 32px auto; background: #fff; padding: 24px 32px;
        border-radius: 8px; box-shadow: 0 1px 4px rgba(0,0,0,.15); }}
label {{ display: block; margin: 12px 0 4px; }}
input {{ width: 100%; padding: 8px; box-sizing: border-box; }}
button {{ margin-top: 18px; padding: 8px 28px; background: #1565c0; color: #fff; border: 0;
          border-radius: 4px; }}
</style></head>
<body><header>{title}</header><main>
{body}
</main></body></html>
"""


def page(title, body):
    return PAGE.format(title=html.escape(title), body=body).encode("utf-8")


def login_page(_query):
    return page("智能客服系统 · 管理后台登录", """
<form method="post" action="/service/login/index">
  <label>账号</label><input name="username" autocomplete="username">
  <label>密码</label><input name="password" type="password" autocomplete="current-password">
  <button type="submit">登录</button>
</form>
<p><a href="/service/login/reg">注册新账号</a> · <a href="/download/">下载客户端</a></p>
""")


def console_page(form):
    user = html.escape(form.get("username", [""])[0] or "演示用户")
    return page("智能客服系统 · 控制台", f"""
<p>欢迎，{user}。这是演示站点的模拟控制台。</p>
<ul><li>待接待会话：2</li><li>今日已接待：128</li><li>在线客服：3</li></ul>
<p><a href="/service/login/index">退出登录</a></p>
""")


def reg_page(_query):
    return page("智能客服系统 · 注册使用", """
<form method="post" action="/service/login/reg">
  <label>手机号</label><input name="phone">
  <label>设置密码</label><input name="password" type="password">
  <button type="submit">注册</button>
</form>
""")


def download_page(_query):
    return page("智能客服系统 · 版本下载", """
<p>当前版本：1.0</p>
<p>演示站点不提供安装包下载。</p>
""")


def support_page(query):
    fields = "".join(
        f"<li>{html.escape(k)} = {html.escape(v[0]) if v else ''}</li>"
        for k, v in sorted(query.items()))
    return page("智能客服系统 · 官方客服", f"""
<p>您好，这里是官方客服（演示）。请问有什么可以帮您？</p>
<ul>{fields}</ul>
""")


class DemoSite(ThreadingHTTPServer):
    daemon_threads = True

    def __init__(self, address, options):
        if ":" in address[0]:
            self.address_family = socket.AF_INET6
        super().__init__(address, DemoHandler)
        self.options = options
        self.log_lock = threading.Lock()
        self.log_file = open(options.log, "a", encoding="utf-8") if options.log else None

    def record(self, method, target):
        if self.log_file is None:
            return
        with self.log_lock:
            self.log_file.write(f"{method} {target}\n")
            self.log_file.flush()


class DemoHandler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "KesmoraDemo/1.0"

    def log_message(self, *_args):
        pass  # the request log is the site's own (--log)

    # --- answering

    def send(self, status, body, content_type, head_only=False):
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Cache-Control", "no-store")
        self.end_headers()
        if not head_only:
            self.wfile.write(body)

    def base(self):
        scheme = "https" if self.server.options.cert else "http"
        host = self.headers.get("Host") or "%s:%d" % self.server.server_address[:2]
        return f"{scheme}://{host}"

    def not_found(self):
        return 404, page("页面不存在", "<p>页面不存在（404）。</p>"), "text/html; charset=utf-8"

    # --- the site

    def override(self, target):
        folder = self.server.options.override_dir
        if not folder:
            return None
        name = os.path.join(folder, urllib.parse.quote(target, safe=""))
        try:
            with open(name, "rb") as f:
                body = f.read().replace(b"{base}", self.base().encode("ascii"))
        except OSError:
            return None
        status = 200
        try:
            with open(name + ".status", encoding="ascii") as f:
                status = int(f.read().strip())
        except (OSError, ValueError):
            pass
        content_type = mimetypes.guess_type(urllib.parse.urlsplit(target).path)[0]
        return status, body, content_type or "text/plain; charset=utf-8"

    def version_text(self, query):
        options = self.server.options
        if "v" in query:
            return query["v"][0].encode("utf-8")
        if options.version_file:
            try:
                with open(options.version_file, "rb") as f:
                    return f.read()
            except OSError:
                pass
        return options.version_text.encode("utf-8")

    def record_body(self, query):
        try:
            tile = int(query.get("id", [""])[0])
        except ValueError:
            return None
        if tile not in TILE_PICTURES:
            return None
        base = self.base()
        return json.dumps({
            "id": tile,
            "picture": f"{base}/pics/{TILE_PICTURES[tile]}",
            "site": f"{base}/sites/{tile}",
        }).encode("ascii")

    def picture(self, name):
        root = os.path.abspath(self.server.options.root)
        path = os.path.abspath(os.path.join(root, name))
        if os.path.dirname(path) != root or not os.path.isfile(path):
            return None
        with open(path, "rb") as f:
            body = f.read()
        kind = CONTENT_TYPES.get(os.path.splitext(path)[1].lower(), "application/octet-stream")
        return 200, body, kind

    def site_page(self, tile):
        if not tile.isdigit() or int(tile) not in ADVERTISERS:
            return None
        name = ADVERTISERS[int(tile)]
        return 200, page(f"{name}（示例广告主 {tile}）", f"""
<p>这是示例广告主“{html.escape(name)}”的页面，由演示站点提供。</p>
<p>点击广告位 {tile} 打开了这里。</p>
"""), "text/html; charset=utf-8"

    def answer(self, method, target, form=None):
        found = self.override(target)
        if found is not None:
            return found
        parts = urllib.parse.urlsplit(target)
        path, query = parts.path, urllib.parse.parse_qs(parts.query, keep_blank_values=True)
        html_pages = {
            "/service/login/index": login_page,
            "/service/login/reg": reg_page,
            "/download/": download_page,
            "/index/index/home": support_page,
        }
        if path == "/service/login/index" and method == "POST":
            return 200, console_page(form or {}), "text/html; charset=utf-8"
        if path in html_pages:
            return 200, html_pages[path](query), "text/html; charset=utf-8"
        if path == "/tongji.php":
            return 200, STATUS_TEXT.encode("utf-8"), "text/plain; charset=utf-8"
        if path == "/bb/1.txt":
            return 200, self.version_text(query), "text/plain; charset=utf-8"
        if path == "/api/ad_website.php":
            body = self.record_body(query)
            if body is not None:
                return 200, body, "application/json"
        if path.startswith("/pics/"):
            found = self.picture(path[len("/pics/"):])
            if found is not None:
                return found
        if path.startswith("/sites/"):
            found = self.site_page(path[len("/sites/"):])
            if found is not None:
                return found
        if path == "/favicon.ico":
            return self.picture(TILE_PICTURES[5]) or self.not_found()
        return self.not_found()

    def handle_method(self, method):
        self.server.record(method, self.path)
        form = None
        length = int(self.headers.get("Content-Length") or 0)
        if length > 0:
            raw = self.rfile.read(min(length, 1 << 20))
            form = urllib.parse.parse_qs(raw.decode("utf-8", "replace"))
        status, body, kind = self.answer(method, self.path, form)
        self.send(status, body, kind, head_only=(method == "HEAD"))

    def do_GET(self):
        self.handle_method("GET")

    def do_HEAD(self):
        self.handle_method("HEAD")

    def do_POST(self):
        self.handle_method("POST")


def main(argv):
    parser = argparse.ArgumentParser(description="Kesmora's loopback demo site")
    parser.add_argument("--host", default="127.0.0.1")
    parser.add_argument("--port", type=int, default=8765)
    parser.add_argument("--port-file")
    parser.add_argument("--log")
    parser.add_argument("--root", default=os.path.join(HERE, "pics"),
                        help="folder of the tile pictures")
    parser.add_argument("--version-text", default="1.0")
    parser.add_argument("--version-file")
    parser.add_argument("--override-dir")
    parser.add_argument("--cert")
    parser.add_argument("--key")
    options = parser.parse_args(argv)
    if options.host not in ("127.0.0.1", "::1", "localhost"):
        parser.error("the demo site listens on loopback only")

    site = DemoSite((options.host, options.port), options)
    if options.cert:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(options.cert, options.key)
        site.socket = context.wrap_socket(site.socket, server_side=True)
    port = site.server_address[1]
    if options.port_file:
        temporary = options.port_file + ".tmp"
        with open(temporary, "w", encoding="ascii") as f:
            f.write(f"{port}\n")
        os.replace(temporary, options.port_file)
    scheme = "https" if options.cert else "http"
    print(f"demo site on {scheme}://{options.host}:{port}", flush=True)
    try:
        site.serve_forever()
    except KeyboardInterrupt:
        pass
    finally:
        site.server_close()


if __name__ == "__main__":
    main(sys.argv[1:])
