#!/usr/bin/python3
"""The tests' OAuth2 authorization server on 127.0.0.1: oauth_server.py PORT_FILE.

/authorize also plays the browser: it approves for the user before "@" in login_hint and
follows the redirect itself. /token checks PKCE (S256) and refreshes; /device hands out codes
that /control/approve approves; /introspect answers Dovecot. /control/expire and /revoke end a
user's access (and refresh) tokens; every /control/ answer counts the user's token requests.
"""
import base64
import hashlib
import json
import os
import secrets
import sys
import threading
import urllib.parse
import urllib.request
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

CLIENT_ID = "tarnwick-test"
lock = threading.Lock()
codes, access, refresh, devices = {}, {}, {}, {}  # each token or code -> its user (and more)
owners, token_requests = {}, {}  # every refresh token issued -> user; user -> token requests


def issue(user):
    token, renew = secrets.token_urlsafe(24), secrets.token_urlsafe(24)
    access[token] = user
    refresh[renew] = user
    owners[renew] = user
    return {"access_token": token, "refresh_token": renew, "token_type": "Bearer",
            "expires_in": 3600}


class Handler(BaseHTTPRequestHandler):
    def log_message(self, *args):
        pass

    def reply(self, status, body, content_type="application/json"):
        data = body.encode() if isinstance(body, str) else body
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        self.wfile.write(data)

    def json(self, status, value):
        self.reply(status, json.dumps(value))

    def fields(self):
        body = self.rfile.read(int(self.headers.get("Content-Length") or 0)).decode()
        return dict(urllib.parse.parse_qsl(urllib.parse.urlsplit(self.path).query) +
                    urllib.parse.parse_qsl(body))

    def do_GET(self):
        path = urllib.parse.urlsplit(self.path).path
        handler = {"/authorize": self.authorize, "/token": self.token, "/device": self.device,
                   "/introspect": self.introspect}.get(path)
        if handler is None and path.startswith("/control/"):
            handler = self.control
        if handler is None:
            return self.reply(404, "")
        handler(self.fields())

    def authorize(self, f):
        if f.get("client_id") != CLIENT_ID or f.get("code_challenge_method") != "S256":
            return self.reply(400, "bad authorization request", "text/plain")
        code = secrets.token_urlsafe(16)
        with lock:
            codes[code] = (f.get("login_hint", "").split("@")[0], f["redirect_uri"],
                           f["code_challenge"])
        target = f["redirect_uri"] + "?" + urllib.parse.urlencode(
            {"code": code, "state": f.get("state", "")})
        with urllib.request.urlopen(target, timeout=10) as answer:
            self.reply(200, answer.read(), "text/html; charset=utf-8")

    def token(self, f):
        with lock:
            user = {"authorization_code": codes.get(f.get("code"), [None])[0],
                    "refresh_token": owners.get(f.get("refresh_token")),
                    "urn:ietf:params:oauth:grant-type:device_code":
                        devices.get(f.get("device_code"), {}).get("user")}.get(
                f.get("grant_type"))
            token_requests[user] = token_requests.get(user, 0) + 1
            if f.get("client_id") != CLIENT_ID:
                return self.json(400, {"error": "invalid_client"})
            grant = f.get("grant_type")
            if grant == "authorization_code":
                user, redirect, challenge = codes.pop(f.get("code"), (None, None, None))
                verifier = f.get("code_verifier", "").encode()
                digest = base64.urlsafe_b64encode(hashlib.sha256(verifier).digest())
                if user is None or redirect != f.get("redirect_uri") or \
                        digest.rstrip(b"=").decode() != challenge:
                    return self.json(400, {"error": "invalid_grant"})
                return self.json(200, issue(user))
            if grant == "refresh_token":
                user = refresh.get(f.get("refresh_token"))
                if user is None:
                    return self.json(400, {"error": "invalid_grant",
                                           "error_description": "the grant was revoked"})
                token = secrets.token_urlsafe(24)
                access[token] = user
                return self.json(200, {"access_token": token, "expires_in": 3600})
            if grant == "urn:ietf:params:oauth:grant-type:device_code":
                device = devices.get(f.get("device_code"))
                if device is None:
                    return self.json(400, {"error": "expired_token"})
                if device["user"] is None:
                    return self.json(400, {"error": "authorization_pending"})
                del devices[f["device_code"]]
                return self.json(200, issue(device["user"]))
            return self.json(400, {"error": "unsupported_grant_type"})

    def device(self, f):
        if f.get("client_id") != CLIENT_ID:
            return self.json(400, {"error": "invalid_client"})
        code, user_code = secrets.token_urlsafe(16), secrets.token_hex(4).upper()
        with lock:
            devices[code] = {"user_code": user_code, "user": None}
        port = self.server.server_address[1]
        self.json(200, {"device_code": code, "user_code": user_code,
                        "verification_uri": "http://127.0.0.1:%d/device-page" % port,
                        "expires_in": 60, "interval": 1})

    def introspect(self, f):
        bearer = self.headers.get("Authorization", "")
        token = bearer[7:] if bearer.startswith("Bearer ") else ""
        with lock:
            user = access.get(token)
        if user is None:
            return self.json(200, {"active": "false"})
        self.json(200, {"active": "true", "username": user})

    def control(self, f):
        action = urllib.parse.urlsplit(self.path).path[len("/control/"):]
        with lock:
            if action == "approve":
                for device in devices.values():
                    if device["user_code"] == f.get("user_code"):
                        device["user"] = f.get("user")
            elif action in ("expire", "revoke"):
                tables = [access] + ([refresh] if action == "revoke" else [])
                for table in tables:
                    for token in [t for t, u in table.items() if u == f.get("user")]:
                        del table[token]
            elif action == "issue":  # an access token as a desktop's account service has one
                token = secrets.token_urlsafe(24)
                access[token] = f.get("user")
                return self.json(200, {"access_token": token, "token_requests": 0})
            elif action != "stats":
                return self.reply(404, "")
            self.json(200, {"token_requests": token_requests.get(f.get("user"), 0)})


def main():
    server = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    with open(sys.argv[1] + ".tmp", "w") as out:
        out.write(str(server.server_address[1]))
    os.rename(sys.argv[1] + ".tmp", sys.argv[1])
    server.serve_forever()


Handler.do_POST = Handler.do_GET

if __name__ == "__main__":
    main()
