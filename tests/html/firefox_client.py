"""Firefox ESR driven through its Marionette protocol, for the browser test.

Debian ships no WebDriver server for Firefox, but Firefox answers
Marionette itself: messages "length:JSON" over a local socket, each command
[0, id, name, parameters] and each answer [1, id, error, result], with the
commands of WebDriver. This client speaks just what the browser test asks
of a browser (browser_test.Browser's methods).
"""
import json
import os
import shutil
import socket
import subprocess
import time

FIREFOX = "/usr/bin/firefox-esr"
ELEMENT = "element-6066-11e4-a52e-4f735466cecf"


class MarionetteError(Exception):
    pass


class Connection:
    def __init__(self, port):
        self.socket = socket.create_connection(("127.0.0.1", port), timeout=60)
        self.buffer = b""
        self.next_id = 0
        self.read()  # the greeting

    def read(self):
        while b":" not in self.buffer:
            self.receive()
        length, _, rest = self.buffer.partition(b":")
        while len(rest) < int(length):
            self.receive()
            length, _, rest = self.buffer.partition(b":")
        self.buffer = rest[int(length):]
        return json.loads(rest[:int(length)])

    def receive(self):
        data = self.socket.recv(65536)
        if not data:
            raise MarionetteError("Firefox closed the connection")
        self.buffer += data

    def send(self, command, parameters=None):
        self.next_id += 1
        body = json.dumps([0, self.next_id, command, parameters or {}]).encode()
        self.socket.sendall(str(len(body)).encode() + b":" + body)
        while True:
            _, answer_id, error, result = self.read()
            if answer_id == self.next_id:
                break
        if error:
            raise MarionetteError(f"{command}: {error.get('error')}: {error.get('message')}")
        return result.get("value", result) if isinstance(result, dict) else result


class Element:
    def __init__(self, connection, reference):
        self.connection, self.id = connection, reference[ELEMENT]

    def click(self):
        self.connection.send("WebDriver:ElementClick", {"id": self.id})

    def find_element(self, using, value):
        return Element(self.connection, self.connection.send(
            "WebDriver:FindElement", {"using": using, "value": value, "element": self.id}))

    def get_attribute(self, name):
        return self.connection.send("WebDriver:GetElementAttribute", {"id": self.id, "name": name})


def key_actions(keys):
    """Each key pressed and released; a chord of Ctrl (Selenium's \\ue009)
    and a key as one."""
    actions = []
    for text in keys:
        for key in text:
            actions += [{"type": "keyDown", "value": key}, {"type": "keyUp", "value": key}]
    return [{"type": "key", "id": "keyboard", "actions": actions}]


class Firefox:
    """The methods browser_test.Browser gives the checks."""

    name = "firefox"

    def __init__(self, work):
        self.profile = os.path.join(work, "firefox profile")
        os.makedirs(self.profile, exist_ok=True)
        with open(os.path.join(self.profile, "user.js"), "w") as prefs:
            # Any free port, written to MarionetteActivePort; nothing from the network.
            prefs.write('user_pref("marionette.port", 0);\n'
                        'user_pref("browser.shell.checkDefaultBrowser", false);\n'
                        'user_pref("app.update.enabled", false);\n'
                        'user_pref("network.proxy.type", 0);\n'
                        'user_pref("datareporting.policy.dataSubmissionEnabled", false);\n')
        self.process = subprocess.Popen(
            [FIREFOX, "--headless", "--marionette", "--no-remote", "--profile", self.profile,
             "--width", "1280", "--height", "900", "about:blank"],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        port_file = os.path.join(self.profile, "MarionetteActivePort")
        deadline = time.monotonic() + 60
        while not os.path.exists(port_file) or not open(port_file).read().strip():
            if time.monotonic() > deadline or self.process.poll() is not None:
                self.quit()
                raise MarionetteError("Firefox opened no Marionette port")
            time.sleep(0.2)
        self.connection = Connection(int(open(port_file).read()))
        self.connection.send("WebDriver:NewSession", {"capabilities": {"alwaysMatch": {"acceptInsecureCerts": True}}})

    def get(self, url):
        self.connection.send("WebDriver:Navigate", {"url": url})

    def open(self, page, fragment=""):
        self.get("about:blank")
        self.get(page.url(fragment))

    def refresh(self):
        self.connection.send("WebDriver:Refresh")

    def js(self, script, *args):
        args = [{ELEMENT: arg.id} if isinstance(arg, Element) else arg for arg in args]
        return self.connection.send("WebDriver:ExecuteScript", {"script": script, "args": args})

    def keys(self, *keys):
        self.connection.send("WebDriver:PerformActions", {"actions": key_actions(keys)})
        self.connection.send("WebDriver:ReleaseActions")

    def select_all(self):
        self.connection.send("WebDriver:PerformActions", {"actions": [{"type": "key", "id": "keyboard", "actions": [
            {"type": "keyDown", "value": "\ue009"}, {"type": "keyDown", "value": "a"},
            {"type": "keyUp", "value": "a"}, {"type": "keyUp", "value": "\ue009"}]}]})
        self.connection.send("WebDriver:ReleaseActions")

    def find(self, css):
        return Element(self.connection, self.connection.send(
            "WebDriver:FindElement", {"using": "css selector", "value": css}))

    def find_all(self, css):
        found = self.connection.send("WebDriver:FindElements", {"using": "css selector", "value": css})
        return [Element(self.connection, reference) for reference in found]

    def enter_frame(self, index):
        self.connection.send("WebDriver:SwitchToFrame", {"id": index})

    def leave_frames(self):
        self.connection.send("WebDriver:SwitchToFrame", {"id": None})

    def errors(self):
        return []

    def quit(self):
        try:
            if getattr(self, "connection", None):
                self.connection.send("Marionette:Quit", {"flags": ["eForceQuit"]})
        except (MarionetteError, OSError):
            pass
        try:
            self.process.wait(timeout=20)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
        shutil.rmtree(self.profile, ignore_errors=True)


def start(work):
    """A Firefox session, or a string that says why there is none."""
    if not os.access(FIREFOX, os.X_OK):
        return f"{FIREFOX} is not installed"
    return Firefox(work)
