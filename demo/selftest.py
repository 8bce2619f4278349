#!/usr/bin/env python3
"""Checks the demo site: starts it on a free loopback port, makes the program's start-up
requests (status text, then record and picture of each tile), and checks the answers,
the request log and the test overrides. Exit code 0 when everything holds."""

import json
import os
import subprocess
import sys
import tempfile
import time
import urllib.error
import urllib.parse
import urllib.request

HERE = os.path.dirname(os.path.abspath(__file__))
SIGNATURES = {
    ".png": b"\x89PNG\r\n\x1a\n",
    ".jpg": b"\xff\xd8\xff",
    ".gif": b"GIF89a",
    ".bmp": b"BM",
    ".ico": b"\x00\x00\x01\x00",
    ".cur": b"\x00\x00\x02\x00",
    ".pcx": b"\x0a\x05\x01",
}


def fetch(url):
    try:
        with urllib.request.urlopen(url, timeout=10) as r:
            return r.status, r.read()
    except urllib.error.HTTPError as e:
        return e.code, e.read()


def start(folder, *extra):
    port_file = os.path.join(folder, "port")
    log = os.path.join(folder, "requests.log")
    server = subprocess.Popen([sys.executable, os.path.join(HERE, "server.py"), "--port", "0",
                               "--port-file", port_file, "--log", log, *extra],
                              stdout=subprocess.DEVNULL)
    deadline = time.monotonic() + 10
    while not os.path.exists(port_file):
        if time.monotonic() > deadline or server.poll() is not None:
            server.kill()
            sys.exit("demo site did not start")
        time.sleep(0.05)
    with open(port_file, encoding="ascii") as f:
        return server, f"http://127.0.0.1:{int(f.read())}", log


def check(condition, what):
    if not condition:
        print("FAILED:", what)
        sys.exit(1)


def main():
    with tempfile.TemporaryDirectory() as folder:
        overrides = os.path.join(folder, "overrides")
        os.mkdir(overrides)
        version = os.path.join(folder, "version.txt")
        server, base, log = start(folder, "--override-dir", overrides, "--version-file", version)
        try:
            expected = ["GET /tongji.php"]
            status, body = fetch(base + "/tongji.php")
            check(status == 200 and body.decode("utf-8"), "status text in UTF-8")
            seen = set()
            for tile in range(1, 9):
                target = f"/api/ad_website.php?id={tile}"
                status, body = fetch(base + target)
                record = json.loads(body)
                check(record["site"] == f"{base}/sites/{tile}", f"site of tile {tile}")
                picture = record["picture"]
                check(picture.startswith(base + "/pics/"), f"picture of tile {tile} on this port")
                status, bytes_ = fetch(picture)
                ext = os.path.splitext(picture)[1]
                check(status == 200 and bytes_.startswith(SIGNATURES[ext]), f"{ext} of tile {tile}")
                check(len(bytes_) < 50 * 1024, f"tile {tile} picture is small")
                seen.add(ext)
                expected += [f"GET {target}", f"GET {urllib.parse.urlsplit(picture).path}"]
            check(seen == set(SIGNATURES), "every picture format served")
            with open(log, encoding="utf-8") as f:
                check(f.read().splitlines() == expected, "request log of the 17 start-up requests")

            check(fetch(base + "/bb/1.txt") == (200, b"1.0"), "default version text")
            with open(version, "wb") as f:
                f.write(b"1%2E1")
            check(fetch(base + "/bb/1.txt") == (200, b"1%2E1"), "version text from the file")
            name = os.path.join(overrides, urllib.parse.quote("/api/ad_website.php?id=2", safe=""))
            with open(name, "w", encoding="ascii") as f:
                f.write('{"site": "{base}/sites/7"}')
            with open(name + ".status", "w", encoding="ascii") as f:
                f.write("503")
            check(fetch(base + "/api/ad_website.php?id=2") == (503, b'{"site": "%s/sites/7"}' % base.encode()),
                  "override with status")
            for path in ["/service/login/index", "/service/login/reg", "/download/",
                         "/index/index/home?visiter_id=&visiter_name=&avatar=&business_id=2&groupid=1&special=2",
                         "/sites/8"]:
                status, body = fetch(base + path)
                check(status == 200 and b"<html" in body, path)
            check(fetch(base + "/api/ad_website.php?id=9")[0] == 404, "no record 9")
        finally:
            server.terminate()
            server.wait(timeout=10)
    print("demo site: all checks passed")


if __name__ == "__main__":
    main()
