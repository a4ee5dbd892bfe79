"""What the memo sync scenarios stand on: a real CalDAV server started as a plain process
on a free loopback port (Radicale with an htpasswd file, or xandikos), data folders that
stand for machines driven through `quillo-tool sync`, raw WebDAV requests that play other
programs, and a small proxy that misbehaves on purpose."""

import base64
import http.client
import os
import re
import shutil
import socket
import subprocess
import tempfile
import threading
import time
import urllib.parse

TOOL = os.environ["QUILLO_TOOL"]
SERVER_PYTHON = "/usr/bin/python3"  # Debian's Python, which has python3-radicale
USER, PASSWORD = "alice", "s3cret ソ表"


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def wait_for_port(port, process, seconds=20):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if process.poll() is not None:
            raise RuntimeError("the CalDAV server ended at start-up")
        try:
            socket.create_connection(("127.0.0.1", port), timeout=0.2).close()
            return
        except OSError:
            time.sleep(0.05)
    raise RuntimeError("the CalDAV server did not listen")


class Server:
    """A CalDAV server of its own storage folder; stop() and start() keep the storage."""

    def __init__(self, kind="radicale", tls=False):
        self.kind, self.tls = kind, tls
        self.folder = tempfile.mkdtemp(prefix=f"quillo-{kind}-")
        self.port = free_port()
        self.process = None
        tls_lines = ""
        if tls:
            # A self-signed certificate, as a server at home has one.
            subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2",
                            "-subj", "/CN=127.0.0.1", "-keyout", f"{self.folder}/key.pem",
                            "-out", f"{self.folder}/cert.pem"], check=True, capture_output=True)
            tls_lines = f"ssl = True\ncertificate = {self.folder}/cert.pem\nkey = {self.folder}/key.pem\n"
        if kind == "radicale":
            with open(os.path.join(self.folder, "users"), "w", encoding="utf-8") as users:
                users.write(f"{USER}:{PASSWORD}\n")
            with open(os.path.join(self.folder, "config"), "w", encoding="utf-8") as config:
                config.write(f"[server]\nhosts = 127.0.0.1:{self.port}\n{tls_lines}"
                             f"[auth]\ntype = htpasswd\nhtpasswd_filename = {self.folder}/users\n"
                             f"htpasswd_encryption = plain\ndelay = 0\n"
                             f"[storage]\nfilesystem_folder = {self.folder}/collections\n"
                             f"[logging]\nlevel = warning\n")
        self.start()

    @property
    def root(self):
        return f"{'https' if self.tls else 'http'}://127.0.0.1:{self.port}/"

    def fingerprint(self):
        """The certificate's SHA-256 fingerprint as openssl prints it (AB:CD:...)."""
        out = subprocess.run(["openssl", "x509", "-noout", "-fingerprint", "-sha256", "-in",
                              f"{self.folder}/cert.pem"], check=True, capture_output=True, text=True).stdout
        return out.strip().split("=", 1)[1]

    def start(self):
        if self.kind == "radicale":
            command = [SERVER_PYTHON, "-m", "radicale", "--config", os.path.join(self.folder, "config")]
        else:
            # xandikos has no accounts: it takes any user; the collections live below /alice/.
            command = ["xandikos", "-d", os.path.join(self.folder, "store"), "-l", "127.0.0.1",
                       "-p", str(self.port), "--defaults", "--current-user-principal", f"/{USER}/"]
        self.log = open(os.path.join(self.folder, "log"), "ab")
        self.process = subprocess.Popen(command, stdout=self.log, stderr=self.log)
        wait_for_port(self.port, self.process)

    def stop(self):
        if self.process:
            self.process.terminate()
            self.process.wait(10)
            self.process = None
            self.log.close()

    def close(self):
        self.stop()
        shutil.rmtree(self.folder, ignore_errors=True)


def escape_memo(text):
    """A memo as one line of Memos.txt: the calendar's escapes, code page 932 where it can."""
    out = []
    i = 0
    while i < len(text):
        c = text[i]
        if text.startswith("\r\n", i):
            out.append("\\n")
            i += 2
            continue
        out.append({"\\": "\\\\", "\r": "\\d", "\n": "\\a", "\t": "\\t", '"': '\\"'}.get(c, c))
        try:
            c.encode("cp932")
        except UnicodeEncodeError:
            out[-1] = "\\u{%X}" % ord(c)
        i += 1
    return "".join(out)


def unescape_memo(line):
    out, i = [], 0
    while i < len(line):
        if line[i] != "\\" or i + 1 == len(line):
            out.append(line[i])
            i += 1
            continue
        c = line[i + 1]
        if c == "u" and (m := re.match(r"\{([0-9A-Fa-f]+)\}", line[i + 2:])):
            out.append(chr(int(m.group(1), 16)))
            i += 2 + len(m.group(0))
            continue
        out.append({"n": "\r\n", "d": "\r", "a": "\n", "t": "\t"}.get(c, c))
        i += 2
    return "".join(out)


class Machine:
    """A data folder: one machine's memos, settings and sync state."""

    def __init__(self, name):
        self.folder = tempfile.mkdtemp(prefix=f"quillo-{name}-")

    def path(self, name):
        return os.path.join(self.folder, name)

    def memos(self):
        try:
            with open(self.path("Memos.txt"), "rb") as memo_file:
                lines = memo_file.read().decode("cp932").split("\r\n")
        except FileNotFoundError:
            return {}
        found = {}
        for line in lines:
            if len(line) >= 8 and line[:8].isdigit():
                found.setdefault(line[:8], unescape_memo(line[8:]))
        return {day: text for day, text in found.items() if text}

    def write_memos(self, memos):
        """Replaces Memos.txt as another program (or the memo window) would write it."""
        body = "".join(f"{day}{escape_memo(text)}\r\n" for day, text in sorted(memos.items()))
        with open(self.path("Memos.txt"), "wb") as memo_file:
            memo_file.write(body.encode("cp932"))

    def edit(self, day, text):
        memos = self.memos()
        memos[day] = text
        self.write_memos({d: t for d, t in memos.items() if t})

    def sync(self, *arguments, password=PASSWORD, stdin=None):
        """Runs quillo-tool sync; returns (exit status, stdout, stderr, largest resident KiB)."""
        env = dict(os.environ, QUILLO_SYNC_PASSWORD=password)
        if password is None:
            del env["QUILLO_SYNC_PASSWORD"]
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            process = subprocess.Popen([TOOL, "sync", *arguments, "--data", self.folder], env=env,
                                       stdout=out, stderr=err,
                                       stdin=subprocess.PIPE if stdin is not None else subprocess.DEVNULL)
            if stdin is not None:
                process.stdin.write(stdin.encode("utf-8"))
                process.stdin.close()
            _, status, usage = os.wait4(process.pid, 0)
            process.returncode = os.waitstatus_to_exitcode(status)
            out.seek(0)
            err.seek(0)
            return process.returncode, out.read().decode("utf-8"), err.read().decode("utf-8"), usage.ru_maxrss

    def settings(self):
        with open(self.path("application.ini"), "rb") as settings:
            return settings.read().decode("cp932")

    def write_settings(self, text):
        with open(self.path("application.ini"), "wb") as settings:
            settings.write(text.replace("\n", "\r\n").encode("cp932"))

    def set_setting(self, key, value):
        text = re.sub(rf"(?m)^{key}=.*$", f"{key}={value}", self.settings().replace("\r\n", "\n"))
        with open(self.path("application.ini"), "wb") as settings:
            settings.write(text.replace("\n", "\r\n").encode("cp932"))

    def collection(self):
        return re.search(r"(?m)^COLLECTION=(.*?)\r?$", self.settings()).group(1)

    def close(self):
        shutil.rmtree(self.folder, ignore_errors=True)


class Dav:
    """Raw requests to the server, as another CalDAV program makes them."""

    def __init__(self, port):
        self.port = port

    def request(self, method, url, body=None, headers=None):
        path = urllib.parse.urlsplit(url).path
        connection = http.client.HTTPConnection("127.0.0.1", self.port, timeout=10)
        token = base64.b64encode(f"{USER}:{PASSWORD}".encode("utf-8")).decode("ascii")
        all_headers = {"Authorization": f"Basic {token}", **(headers or {})}
        connection.request(method, path, body=body.encode("utf-8") if isinstance(body, str) else body,
                           headers=all_headers)
        reply = connection.getresponse()
        data = reply.read()
        connection.close()
        return reply.status, data.decode("utf-8", "replace"), reply.getheader("ETag")

    def names(self, collection):
        """The resource names in the collection."""
        status, body, _ = self.request("PROPFIND", collection, '<propfind xmlns="DAV:"><prop><getetag/></prop></propfind>',
                                       {"Depth": "1", "Content-Type": "application/xml"})
        assert status == 207, status
        path = urllib.parse.urlsplit(collection).path
        hrefs = [urllib.parse.unquote(h) for h in re.findall(r"<[^>]*href>([^<]*)</", body)]
        return sorted(h[len(path):] for h in hrefs if h.startswith(path) and h != path)

    def get(self, collection, name):
        return self.request("GET", collection + name)

    def put(self, collection, name, ics):
        return self.request("PUT", collection + name, ics, {"Content-Type": "text/calendar"})[0]

    def delete(self, collection, name):
        return self.request("DELETE", collection + name)[0]


class Proxy:
    """Stands between the tool and the server on a port of its own. Modes:
    forward     passes every request on
    drop_put    passes a PUT on, then closes the connection without the reply
    cut_after   passes `limit` requests on, then closes every connection unanswered
    garbage     answers bytes that are not HTTP
    huge        answers a Content-Length of 5 GB and streams
    trickle     answers one byte every half second"""

    def __init__(self, server_port, mode="forward", limit=0):
        self.server_port, self.mode, self.limit = server_port, mode, limit
        self.requests = []
        self.listener = socket.create_server(("127.0.0.1", 0))
        self.port = self.listener.getsockname()[1]
        self.closing = False
        threading.Thread(target=self.accept, daemon=True).start()

    def accept(self):
        while not self.closing:
            try:
                client, _ = self.listener.accept()
            except OSError:
                return
            threading.Thread(target=self.serve, args=(client,), daemon=True).start()

    @staticmethod
    def read_message(stream):
        head = b""
        while b"\r\n\r\n" not in head:
            chunk = stream.recv(1)
            if not chunk:
                return None
            head += chunk
        length = int(re.search(rb"(?im)^content-length:\s*(\d+)", head).group(1)) if re.search(
            rb"(?im)^content-length:", head) else 0
        body = b""
        while len(body) < length:
            chunk = stream.recv(length - len(body))
            if not chunk:
                return None
            body += chunk
        return head + body

    def serve(self, client):
        upstream = None
        try:
            while True:
                message = self.read_message(client)
                if message is None:
                    return
                method = message.split(b" ", 1)[0].decode("ascii")
                self.requests.append(method)
                if self.mode == "garbage":
                    client.sendall(b"\x00\xffNOT HTTP\r\n\x89PNG\r\n\r\n" * 50)
                    return
                if self.mode == "huge":
                    client.sendall(b"HTTP/1.1 207 Multi-Status\r\nContent-Type: application/xml\r\n"
                                   b"Content-Length: 5368709120\r\n\r\n")
                    chunk = b"<" * 65536
                    for _ in range(4096):  # at most 256 MB, far past any bound the tool keeps
                        client.sendall(chunk)
                    return
                if self.mode == "trickle":
                    client.sendall(b"HTTP/1.1 207 Multi-Status\r\nContent-Type: application/xml\r\n"
                                   b"Content-Length: 100000\r\n\r\n")
                    while not self.closing:
                        client.sendall(b" ")
                        time.sleep(0.5)
                    return
                if self.mode == "cut_after" and len(self.requests) > self.limit:
                    return
                if upstream is None:
                    upstream = socket.create_connection(("127.0.0.1", self.server_port))
                upstream.sendall(message)
                reply = self.read_message(upstream)
                if reply is None or (self.mode == "drop_put" and method == "PUT"):
                    return
                client.sendall(reply)
        except OSError:
            return
        finally:
            client.close()
            if upstream:
                upstream.close()

    def close(self):
        self.closing = True
        self.listener.close()


def journal(uid, day, *descriptions, summary="other"):
    lines = ["BEGIN:VCALENDAR", "VERSION:2.0", "PRODID:-//Another program//EN", "BEGIN:VJOURNAL",
             f"UID:{uid}", "DTSTAMP:20260101T000000Z", f"DTSTART;VALUE=DATE:{day}", f"SUMMARY:{summary}"]
    lines += [f"DESCRIPTION:{d}" for d in descriptions]
    lines += ["END:VJOURNAL", "END:VCALENDAR", ""]
    return "\r\n".join(lines)
