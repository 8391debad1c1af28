"""Helpers of .ci/client-rpc.sh: torrents made, added paused and read back
through the clients' own RPC (Transmission's JSON RPC, qBittorrent's Web API).

  client_rpc.py torrent OUT NAME ANNOUNCE [private]
  client_rpc.py tr-add URL USER PASSWORD TORRENT
  client_rpc.py tr-trackers URL USER PASSWORD     one line per torrent: name, then tier:url ...
  client_rpc.py qb-password PASSWORD              the WebUI\\Password_PBKDF2 value
  client_rpc.py qb-add URL USER PASSWORD TORRENT
  client_rpc.py qb-trackers URL USER PASSWORD
"""
import base64, hashlib, http.cookiejar, json, os, sys, urllib.error, urllib.parse, urllib.request


def bencode(value):
    if isinstance(value, int):
        return b"i%de" % value
    if isinstance(value, str):
        value = value.encode()
    if isinstance(value, bytes):
        return b"%d:%s" % (len(value), value)
    if isinstance(value, list):
        return b"l" + b"".join(bencode(v) for v in value) + b"e"
    return b"d" + b"".join(bencode(k) + bencode(value[k]) for k in sorted(value)) + b"e"


def torrent(out, name, announce, private=False):
    data = (name * 1000).encode()[:16384]
    info = {"name": name, "length": len(data), "piece length": 16384, "pieces": hashlib.sha1(data).digest()}
    if private:
        info["private"] = 1
    with open(out, "wb") as f:
        f.write(bencode({"announce": announce, "comment": "made for the client test", "info": info}))


NO_PROXY = urllib.request.ProxyHandler({})


class Transmission:
    def __init__(self, url, user, password):
        self.url, self.session = url, ""
        self.auth = "Basic " + base64.b64encode(f"{user}:{password}".encode()).decode()
        self.opener = urllib.request.build_opener(NO_PROXY)

    def call(self, method, **arguments):
        body = json.dumps({"method": method, "arguments": arguments}).encode()
        for _ in range(2):
            request = urllib.request.Request(self.url, body, {"X-Transmission-Session-Id": self.session,
                                                              "Authorization": self.auth})
            try:
                reply = json.load(self.opener.open(request, timeout=10))
            except urllib.error.HTTPError as error:
                if error.code != 409:
                    raise
                self.session = error.headers["X-Transmission-Session-Id"]
                continue
            if reply["result"] != "success":
                raise SystemExit(f"{method}: {reply['result']}")
            return reply["arguments"]


class Qbittorrent:
    def __init__(self, url, user, password):
        self.url = url.rstrip("/")
        self.opener = urllib.request.build_opener(NO_PROXY,
                                                  urllib.request.HTTPCookieProcessor(http.cookiejar.CookieJar()))
        reply = self.opener.open(self.url + "/api/v2/auth/login",
                                 urllib.parse.urlencode({"username": user, "password": password}).encode(), timeout=10)
        if reply.read() != b"Ok.":
            raise SystemExit("qBittorrent refused the login")

    def get(self, path, **query):
        return json.load(self.opener.open(self.url + path + "?" + urllib.parse.urlencode(query), timeout=10))

    def add(self, path):
        boundary = "torrentboundary"
        with open(path, "rb") as f:
            data = f.read()
        body = (f"--{boundary}\r\nContent-Disposition: form-data; name=\"torrents\"; filename=\"a.torrent\"\r\n"
                f"Content-Type: application/x-bittorrent\r\n\r\n").encode() + data + (
                f"\r\n--{boundary}\r\nContent-Disposition: form-data; name=\"paused\"\r\n\r\ntrue\r\n"
                f"--{boundary}--\r\n").encode()
        request = urllib.request.Request(self.url + "/api/v2/torrents/add", body,
                                         {"Content-Type": f"multipart/form-data; boundary={boundary}"})
        if self.opener.open(request, timeout=10).read() != b"Ok.":
            raise SystemExit("qBittorrent did not add " + path)


def main(args):
    command = args[0]
    if command == "torrent":
        torrent(args[1], args[2], args[3], len(args) > 4)
    elif command == "tr-add":
        with open(args[4], "rb") as f:
            metainfo = base64.b64encode(f.read()).decode()
        Transmission(*args[1:4]).call("torrent-add", metainfo=metainfo, paused=True)
    elif command == "tr-trackers":
        reply = Transmission(*args[1:4]).call("torrent-get", fields=["name", "trackers"])
        for t in sorted(reply["torrents"], key=lambda t: t["name"]):
            print(t["name"], *(f"{x['tier']}:{x['announce']}" for x in sorted(t["trackers"], key=lambda x: x["tier"])))
    elif command == "qb-password":
        salt = os.urandom(16)
        digest = hashlib.pbkdf2_hmac("sha512", args[1].encode(), salt, 100000)
        print(f"@ByteArray({base64.b64encode(salt).decode()}:{base64.b64encode(digest).decode()})")
    elif command == "qb-add":
        Qbittorrent(*args[1:4]).add(args[4])
    elif command == "qb-trackers":
        client = Qbittorrent(*args[1:4])
        for t in sorted(client.get("/api/v2/torrents/info"), key=lambda t: t["name"]):
            rows = [x for x in client.get("/api/v2/torrents/trackers", hash=t["hash"]) if not x["url"].startswith("** ")]
            print(t["name"], *(f"{x['tier']}:{x['url']}" for x in sorted(rows, key=lambda x: x["tier"])))
    else:
        raise SystemExit(__doc__)


main(sys.argv[1:])
