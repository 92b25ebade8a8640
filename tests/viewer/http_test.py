#!/usr/bin/python3
"""Hostile requests to `tavrix view`, sent raw over sockets: each is refused
with a 4xx answer that says why, nothing is read or written outside the
opened folder, and the server answers ordinary requests afterwards.

    http_test.py TOOL DEMO_GENERATOR EXAMPLES_DIR
"""
import json
import os
import socket
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from viewer_support import ViewerRun, skip_or_fail  # noqa: E402


class Answer:
    def __init__(self, raw):
        head, _, self.body = raw.partition(b"\r\n\r\n")
        lines = head.decode("latin-1").split("\r\n")
        self.status = int(lines[0].split()[1]) if lines and lines[0].startswith("HTTP/") else 0
        self.headers = {}
        for line in lines[1:]:
            name, _, value = line.partition(":")
            self.headers.setdefault(name.strip().lower(), []).append(value.strip())
        self.text = self.body.decode("utf-8", "replace")


def exchange(host, request, body=b"", read_all=True):
    """Sends one request on a connection of its own and reads the answer
    until the server has said all (Content-Length) or closed."""
    address, port = host.rsplit(":", 1)
    with socket.create_connection((address, int(port)), timeout=20) as s:
        s.sendall(request.encode("latin-1") + body)
        raw = b""
        while True:
            try:
                chunk = s.recv(65536)
            except (ConnectionResetError, socket.timeout):
                break
            if not chunk:
                break
            raw += chunk
            head, separator, rest = raw.partition(b"\r\n\r\n")
            if separator:
                for line in head.split(b"\r\n"):
                    if line.lower().startswith(b"content-length:") and len(rest) >= int(line.split(b":")[1]):
                        return Answer(raw)
    return Answer(raw)


def http(viewer, method, path, body=b"", host=None, cookie=True, origin="own", headers=None, length=None):
    host_header = host or viewer.host
    lines = ["%s %s HTTP/1.1" % (method, path), "Host: " + host_header]
    if cookie:
        lines.append("Cookie: tavrix_view_%s=%s" % (viewer.host.rsplit(":", 1)[1], cookie if isinstance(cookie, str) else viewer.token))
    if origin == "own":
        lines.append("Origin: http://" + viewer.host)
    elif origin:
        lines.append("Origin: " + origin)
    if method == "POST":
        lines.append("Content-Type: application/json")
        lines.append("Content-Length: %d" % (len(body) if length is None else length))
    lines += headers or []
    return exchange(viewer.host, "\r\n".join(lines) + "\r\n\r\n", body)


def state(**changes):
    """A valid state for the demo puppet, with changes."""
    base = {"document": "", "frame": 0, "composition": {"width": 64, "height": 80, "frameRate": 30, "frameCount": 10},
            "values": {"7": 10}}
    base.update(changes)
    return base


def websocket(viewer, messages):
    """Opens the frame socket (handshake and framing by wsproto) and sends
    the messages one at a time, each once the answer to the one before has
    come (a newer frame request replaces one still waiting); the answers:
    the JSON of a text message, the header of a frame."""
    import wsproto
    import wsproto.events as ev
    address, port = viewer.host.rsplit(":", 1)
    connection = wsproto.WSConnection(wsproto.ConnectionType.CLIENT)
    answers = []
    pending = list(messages)
    with socket.create_connection((address, int(port)), timeout=20) as s:
        extra = [("Cookie", "tavrix_view_%s=%s" % (port, viewer.token)), ("Origin", "http://" + viewer.host)]
        s.sendall(connection.send(ev.Request(host=viewer.host, target="/ws", extra_headers=extra)))
        parts = {}
        while pending or len(answers) < len(messages):
            data = s.recv(1 << 20)
            if not data:
                break
            connection.receive_data(data)
            for event in connection.events():
                if isinstance(event, ev.RejectConnection):
                    return ["rejected %d" % event.status_code]
                if isinstance(event, (ev.AcceptConnection, ev.TextMessage, ev.BytesMessage)):
                    if isinstance(event, (ev.TextMessage, ev.BytesMessage)):
                        kind = type(event)
                        parts[kind] = parts.get(kind, event.data[:0]) + event.data
                        if not event.message_finished:
                            continue
                        whole = parts.pop(kind)
                        if kind is ev.TextMessage:
                            answers.append(json.loads(whole))
                        else:
                            length = int.from_bytes(whole[4:8], "little")
                            header = json.loads(whole[8:8 + length])
                            header["complete"] = (whole[:4] == b"TVF1" and
                                                  len(whole) == 8 + length + header["width"] * header["height"] * 4)
                            answers.append(header)
                    if pending:
                        s.sendall(connection.send(ev.TextMessage(data=pending.pop(0))))
        s.sendall(connection.send(ev.CloseConnection(code=1000)))
    return answers


def main(tool, generator, examples):
    try:
        import wsproto  # noqa: F401  (comes with python3-selenium)
    except ImportError:
        skip_or_fail("python3-wsproto is not installed")

    def plant_outside_files(scratch):
        """A file beside the opened folder, and links to it from inside."""
        with open(os.path.join(scratch.dir, "outside.wav"), "wb") as f:
            f.write(b"RIFF secret")
        os.symlink(os.path.join(scratch.dir, "outside.wav"), scratch.path("link.wav"))
        os.symlink(os.path.join(scratch.dir, "outside.wav"), scratch.path("link.json"))

    with ViewerRun(tool, generator, examples, browser=False, prepare=plant_outside_files) as run:
        scratch, viewer = run.scratch, run.viewer
        outside = os.path.join(scratch.dir, "outside.wav")
        port = viewer.host.rsplit(":", 1)[1]
        page = http(viewer, "GET", "/?token=" + viewer.token, cookie=False, origin=None)
        assert page.status == 200, page.text
        assert any("tavrix_view_%s=%s" % (port, viewer.token) in c and "HttpOnly" in c and "SameSite=Strict" in c
                   for c in page.headers.get("set-cookie", [])), page.headers
        assert http(viewer, "GET", "/api/session").status == 200

        big = b"x" * (9 << 20)
        cases = [
            # (what, answer, status, words the reason holds)
            ("no token", http(viewer, "GET", "/api/session", cookie=False, origin=None), 403, "no access token"),
            ("a wrong token in the address", http(viewer, "GET", "/?token=" + "0" * 32, cookie=False, origin=None),
             403, "wrong access token"),
            ("a wrong cookie", http(viewer, "GET", "/api/session", cookie="f" * 32), 403, "wrong access token"),
            ("a foreign Host (DNS rebinding)", http(viewer, "GET", "/api/session", host="attacker.example:" + port),
             403, "Host"),
            ("a foreign Host with the token", http(viewer, "GET", "/?token=" + viewer.token, host="attacker.example",
                                                   cookie=False, origin=None), 403, "Host"),
            ("a save from a foreign Origin", http(viewer, "POST", "/api/save", b"{}", origin="http://attacker.example"),
             403, "Origin"),
            ("a save without an Origin", http(viewer, "POST", "/api/save", b"{}", origin=None), 403, "Origin"),
            ("a socket from a foreign Origin",
             http(viewer, "GET", "/ws", origin="http://attacker.example",
                  headers=["Upgrade: websocket", "Connection: Upgrade", "Sec-WebSocket-Version: 13",
                           "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ=="]), 403, "Origin"),
            ("'..' out of the folder", http(viewer, "GET", "/api/sound?name=../outside.wav"), 403, "outside"),
            ("a link out of the folder", http(viewer, "GET", "/api/sound?name=link.wav"), 403, "outside"),
            ("an absolute path", http(viewer, "GET", "/api/sound?name=%2Fetc%2Fhostname.wav"), 403, "absolute"),
            ("a missing file", http(viewer, "GET", "/api/sound?name=absent.wav"), 404, "does not exist"),
            ("a file that is no sound", http(viewer, "GET", "/api/sound?name=demo.moc"), 403, "not a sound"),
            ("a save out of the folder", http(viewer, "POST", "/api/save",
                                              json.dumps({"name": "../shot.json", "state": state()}).encode()),
             403, "plain file name"),
            ("a save over a link", http(viewer, "POST", "/api/save",
                                        json.dumps({"name": "link.json", "state": state()}).encode()),
             403, "not a plain file"),
            ("a save over the model file", http(viewer, "POST", "/api/save",
                                                json.dumps({"name": "demo.json", "state": state()}).encode()),
             409, "not a project"),
            ("a body announced too large", http(viewer, "POST", "/api/export", b"", length=9 << 20), 413, "bytes"),
            ("an upload too large", http(viewer, "POST", "/api/upload?name=big.mtn", big), 413, "bytes"),
            ("malformed JSON", http(viewer, "POST", "/api/export", b'{"frame": 0,'), 400, "not valid JSON"),
            ("JSON nested too deeply", http(viewer, "POST", "/api/export", b"[" * 100000 + b"]" * 100000), 400,
             "not valid JSON"),
            ("a value out of its range", http(viewer, "POST", "/api/export",
                                              json.dumps(state(values={"7": 45})).encode()),
             400, "state.values.7 (PARAM_ANGLE_X): must lie between -30 and 30 (is 45)"),
            ("a value that is no number", http(viewer, "POST", "/api/export",
                                               json.dumps(state(values={"7": "12"})).encode()),
             400, "must be a number"),
            ("a slider the model lacks", http(viewer, "POST", "/api/export",
                                              json.dumps(state(values={"999": 1})).encode()), 400, "no slider 999"),
            ("a huge picture", http(viewer, "POST", "/api/export",
                                    json.dumps(state(composition={"width": 100000, "height": 80, "frameRate": 30,
                                                                  "frameCount": 10})).encode()),
             400, "state.composition.width: must lie between 1 and 4096"),
            ("a frame past the end", http(viewer, "POST", "/api/export", json.dumps(state(frame=10)).encode()),
             400, "state.frame"),
            ("a motion outside the folder", http(viewer, "POST", "/api/export", json.dumps(state(
                animation={"motions": [{"file": "../../etc/passwd"}]})).encode()), 400, "outside"),
            ("a project outside the folder", http(viewer, "GET", "/api/session?document=..%2Fx.json"), 400,
             "not a project file name"),
            ("an unknown path", http(viewer, "GET", "/etc/passwd"), 404, "nothing at"),
            ("a wrong method", http(viewer, "DELETE", "/api/session"), 405, "takes GET"),
        ]
        failures = []
        for what, answer, status, words in cases:
            if answer.status != status or words not in answer.text:
                failures.append("%s: %d %r (expected %d with %r)" % (what, answer.status, answer.text[:200], status, words))
        leftovers = [name for name in os.listdir(scratch.model_dir) if ".tmp" in name or name == "shot.json"]
        if leftovers:
            failures.append("files left in the folder: %s" % leftovers)
        with open(outside, "rb") as f:
            if f.read() != b"RIFF secret":
                failures.append("the file outside the folder changed")

        # The frame socket: a malformed message and one out of range are
        # answered with reasons, and a good one still gets its frame.
        answers = websocket(viewer, ["{not json", json.dumps({"type": "render", "id": 1, "state": state(
            values={"7": 99})}), json.dumps({"type": "render", "id": 2, "state": state()})])
        expected = [("error", "not valid JSON"), ("error", "must lie between -30 and 30"), ("frame", None)]
        if len(answers) != 3 or any(a.get("type") != kind or (words and words not in a.get("reason", ""))
                                    for a, (kind, words) in zip(answers, expected)):
            failures.append("the socket answered %r" % answers)
        elif (answers[2]["width"], answers[2]["height"], answers[2]["id"], answers[2]["complete"]) != (64, 80, 2, True):
            failures.append("the socket's frame is %r" % answers[2])

        # Still serving: the page, the description, a valid export.
        after = http(viewer, "POST", "/api/export", json.dumps(state()).encode())
        if after.status != 200 or not after.body.startswith(b"\x89PNG"):
            failures.append("after the refusals, a valid export answered %d %r" % (after.status, after.text[:100]))
        if viewer.process.poll() is not None:
            failures.append("the viewer stopped: %s" % viewer.process.stderr.read())
        assert not failures, "\n".join(failures)
        run.finish()
    print("%d refusals answered as they should be" % len(cases))


if __name__ == "__main__":
    main(*sys.argv[1:])
