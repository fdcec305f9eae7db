#!/usr/bin/python3
"""Servers for the updater's transfer tests, bound to 127.0.0.1 on a free port.

    transfer_servers.py http FOLDER [CERT KEY]   files of FOLDER over HTTP (HTTPS with CERT/KEY)
    transfer_servers.py ftp FOLDER               files of FOLDER over FTP

The port is written as one line on fd 3 once the server listens.

HTTP paths:
    /files/NAME      the file with its Content-Length
    /nolength/NAME   the file without a length, ended by closing the connection
    /hangup/NAME     the full length announced, half the file sent, then the connection closed
    /stall/NAME      the full length announced, half the file sent, then nothing for 30 s
    /trickle/NAME    the full length announced, then one byte every 0.1 s
    anything else    404
NAME is a path below FOLDER, percent-decoded as a web server decodes it.
FTP: anonymous log-in, and user "till" with password "s3cret", both rooted at FOLDER; user
"nested" with password "n3sted" is rooted there too but starts in /sub, as a server that logs a
user in to a home folder below its root does; user "slow" with password "sl0w" gets its files at
about 200 bytes a second. Users "mute" (password "mu7e"), "fail" (password "fa1l") and "drop"
(password "dr0p") get their files whole and the data connection closed, but then, instead of the
reply that closes the transfer, "mute" gets nothing, "fail" gets "451 Local error in processing."
and "drop" the end of the control connection. The users of HELD get their files whole over a data
connection the server then holds open until the client ends it, and the replies HELD gives them.
User "bye" (password "by3") is served as "till" is, but its QUIT is never answered. User "at" has
the password "p@ss". A log-in as "gbk" is refused in code page 936, as a Chinese server on Windows
refuses it: "530 用户名或密码错误，登录失败".
"""

import http.server
import os
import ssl
import sys
import time
import urllib.parse

# The users whose server holds the data connection open after the whole file, until the client
# ends it: their passwords, what the server says after the reply that opens the transfer (in the
# same write), and what it says once the whole file has been sent.
HELD = {
    "keep": ("k33p", "", "226 Transfer complete.\r\n"),
    "stuck": ("stuck", "", ""),
    "abort": ("ab0rt", "", "426 Connection closed; transfer aborted.\r\n226 Abort successful\r\n"),
    "half": ("ha1f", "200 Transfer failed, ", "226 bytes lost\r\n"),
    "early": ("ear1y", "226 Transfer complete.\r\n", ""),
}


def report_port(port):
    os.write(3, f"{port}\n".encode())
    os.close(3)


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    folder = "."

    def log_message(self, *args):
        pass

    def do_GET(self):
        parts = self.path.split("/", 2)
        if len(parts) != 3 or parts[1] not in ("files", "nolength", "hangup", "stall", "trickle"):
            return self.not_found()
        mode, name = parts[1], urllib.parse.unquote(parts[2])
        path = os.path.realpath(os.path.join(self.folder, name))
        if not path.startswith(os.path.realpath(self.folder) + os.sep) or not os.path.isfile(path):
            return self.not_found()
        with open(path, "rb") as f:
            body = f.read()
        self.send_response(200)
        self.send_header("Content-Type", "application/octet-stream")
        if mode == "nolength":
            self.send_header("Connection", "close")
        else:
            self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        if mode in ("files", "nolength"):
            self.wfile.write(body)
        elif mode == "trickle":
            for byte in body:
                self.wfile.write(bytes([byte]))
                self.wfile.flush()
                time.sleep(0.1)
        else:
            self.wfile.write(body[: len(body) // 2])
            self.wfile.flush()
            if mode == "stall":
                time.sleep(30)
        self.close_connection = True

    def not_found(self):
        body = b"not here"
        self.send_response(404)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)


def serve_http(folder, cert=None, key=None):
    Handler.folder = folder
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    if cert:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(cert, key)
        server.socket = context.wrap_socket(server.socket, server_side=True)
    report_port(server.server_address[1])
    server.serve_forever()


def serve_ftp(folder):
    from pyftpdlib.authorizers import DummyAuthorizer
    from pyftpdlib.handlers import DTPHandler, FTPHandler, ThrottledDTPHandler
    from pyftpdlib.ioloop import AsyncChat
    from pyftpdlib.servers import FTPServer

    authorizer = DummyAuthorizer()
    authorizer.add_user("till", "s3cret", folder, perm="elr")
    authorizer.add_user("nested", "n3sted", folder, perm="elr")
    authorizer.add_user("slow", "sl0w", folder, perm="elr")
    authorizer.add_user("mute", "mu7e", folder, perm="elr")
    authorizer.add_user("fail", "fa1l", folder, perm="elr")
    authorizer.add_user("drop", "dr0p", folder, perm="elr")
    authorizer.add_user("bye", "by3", folder, perm="elr")
    authorizer.add_user("at", "p@ss", folder, perm="elr")
    for user, (password, _, _) in HELD.items():
        authorizer.add_user(user, password, folder, perm="elr")
    authorizer.add_anonymous(folder)

    class Trickling(ThrottledDTPHandler):
        write_limit = 200

    class HeldOpen(DTPHandler):
        # Called once the file has been sent, and again when the client ends the connection.
        def handle_close(self):
            if self.cmd_channel.held:
                self.close()  # without a reply of its own
            elif not self.producer_fifo:
                self.cmd_channel.held = True
                self.cmd_channel.push(HELD[self.cmd_channel.username][2])
            else:
                super().handle_close()

    class Handler(FTPHandler):
        held = False
        named = ""  # the name of the last USER, kept also when the log-in fails

        def ftp_USER(self, line):
            self.named = line
            super().ftp_USER(line)

        def ftp_QUIT(self, line):
            if self.username != "bye":
                super().ftp_QUIT(line)

        def on_login(self, username):
            if username == "nested":
                self.fs.cwd = "/sub"
            if username == "slow":
                self.dtp_handler = Trickling
            if username in HELD:
                self.dtp_handler = HeldOpen

        def respond(self, resp, *args, **kwargs):
            if self.named == "gbk" and resp.startswith("530"):
                self._last_response = resp
                return AsyncChat.push(self, "530 用户名或密码错误，登录失败\r\n".encode("gbk"))
            if self.username == "mute" and resp.startswith("226"):
                return
            if self.username == "drop" and resp.startswith("226"):
                return self.close()
            if self.username == "fail" and resp.startswith("226"):
                resp = "451 Local error in processing."
            if self.username in HELD and resp[:3] in ("125", "150"):
                return self.push(resp + "\r\n" + HELD[self.username][1])
            super().respond(resp, *args, **kwargs)

    handler = Handler
    handler.authorizer = authorizer
    handler.auth_failed_timeout = 0.1
    server = FTPServer(("127.0.0.1", 0), handler)
    report_port(server.address[1])
    server.serve_forever()


if __name__ == "__main__":
    kind, folder = sys.argv[1], sys.argv[2]
    if kind == "http":
        serve_http(folder, *sys.argv[3:5])
    else:
        serve_ftp(folder)
