#!/usr/bin/python3
"""The API contract against the code: runs every endpoint's success and error answers on keynoded serving
the demo site and validates each answer body against the schema docs/openapi.json gives for its status.

Usage: contract_test.py KEYNODED KEYNODECTL OPENAPI_JSON
"""
import base64
import http.client
import http.server
import json
import os
import re
import subprocess
import sys
import tempfile
import threading
import time
import urllib.parse

import jsonschema

PREFIX = "/api/v1"
ADMIN = ("admin", "s3cret")
# A user without any claim: authenticated, refused everywhere.
NOBODY = ("nobody", "n0body")

# Endpoints the document describes that this build does not serve yet: the path is known but has no handler
# (500 "handler not found"). Once one is served this test fails until its cases are added below.
def q(**params):
    """A query string whose identity values are JSON text, as the API takes them."""
    return "?" + urllib.parse.urlencode(
        {k: json.dumps(v, separators=(",", ":")) if isinstance(v, dict) else v for k, v in params.items()})


# (method, path with query, body, expected status[, how]). Run in order: later cases use what earlier ones
# made. A body of None sends nothing; a str is sent as is (malformed JSON); anything else as JSON. `how`
# changes the request: "no-auth" sends no credentials, "nobody" those of the user without claims,
# "text/plain" that content type.
CASES = [
    ("GET", "/info/api", None, 200),
    ("GET", "/keynodes", None, 200),
    # cards
    ("POST", "/access/cards", {"id": {"extId": "contract-card"}, "cardHolderID": {"id": 1}, "number": "C-1",
                               "accessGroupLinks": [{"accessGroupID": {"id": 1},
                                                     "validFrom": "2026-01-01T00:00:00Z", "validTo": None}],
                               "isBlocked": False, "pinCode": "1234", "options": [], "info": "contract"}, 200),
    ("POST", "/access/cards", {"id": {}, "number": "C-2"}, 400),
    ("POST", "/access/cards", "{not json", 400),
    ("GET", "/access/cards" + q(id={"extId": "contract-card"}), None, 200),
    ("GET", "/access/cards" + q(cardNumber="C-1"), None, 200),
    ("GET", "/access/cards", None, 400),
    ("PUT", "/access/cards", {"id": {"extId": "contract-card"}, "info": "changed"}, 200),
    ("PUT", "/access/cards", {"id": {"extId": "no-such-card"}, "info": "x"}, 400),
    ("POST", "/access/cards/filter", {"cardFilter": {"limitCount": 5}}, 200),
    ("POST", "/access/cards/filter", {"cardFilter": {"limitCount": 0}}, 400),
    ("DELETE", "/access/cards" + q(id={"extId": "contract-card"}), None, 200),
    ("DELETE", "/access/cards" + q(id={"extId": "contract-card"}), None, 400),
    # card holders
    ("POST", "/access/cardHolders", {"id": {"extId": "contract-holder"}, "firstName": "Ada", "lastName": "Lovelace",
                                     "middleName": None, "company": "Contract Ltd", "info": None,
                                     "validFrom": "2026-01-01T00:00:00Z", "validTo": None}, 200),
    ("POST", "/access/cardHolders", {"firstName": "no id"}, 400),
    ("GET", "/access/cardHolders" + q(id={"extId": "contract-holder"}), None, 200),
    ("GET", "/access/cardHolders" + q(id={"id": 1}, other="x"), None, 400),
    ("PUT", "/access/cardHolders", {"id": {"extId": "contract-holder"}, "company": "Changed"}, 200),
    ("PUT", "/access/cardHolders", {"id": {"id": 999999}}, 400),
    ("POST", "/access/cardHolders/filter", {"cardHolderFilter": {"limitCount": 3}}, 200),
    ("POST", "/access/cardHolders/filter", {"wrongMember": {}}, 400),
    ("DELETE", "/access/cardHolders" + q(id={"extId": "contract-holder"}), None, 200),
    ("DELETE", "/access/cardHolders" + q(id={"extId": "contract-holder"}), None, 400),
    # access groups
    ("POST", "/access/accessGroups", {"id": {"extId": "contract-group"}, "name": "Contract group", "info": None,
                                      "priority": 40, "isReusable": True,
                                      "accessRights": [{"doorID": {"id": 1}, "weekProgramID": {"id": 1}}]}, 200),
    ("POST", "/access/accessGroups", {"id": {}, "name": "No door", "accessRights": [{"doorID": {"id": 999999},
                                                                                   "weekProgramID": {"id": 1}}]}, 400),
    ("GET", "/access/accessGroups" + q(id={"extId": "contract-group"}), None, 200),
    ("GET", "/access/accessGroups" + q(name="Staff"), None, 200),
    ("GET", "/access/accessGroups" + q(id={"id": 1}, name="Staff"), None, 400),
    ("PUT", "/access/accessGroups", {"id": {"extId": "contract-group"}, "priority": 41}, 200),
    ("PUT", "/access/accessGroups", [], 400),
    ("DELETE", "/access/accessGroups" + q(id={"extId": "contract-group"}), None, 200),
    ("DELETE", "/access/accessGroups" + q(id={"extId": "contract-group"}), None, 400),
    # week programs
    ("POST", "/config/weekprograms", {"id": {"extId": "contract-program"}, "name": "Contract hours", "type": 10,
                                      "periods": [{"dayNo": 0, "startSecond": 0, "function": 100},
                                                  {"dayNo": 0, "startSecond": 28800, "function": 101}]}, 200),
    ("POST", "/config/weekprograms", {"id": {}, "name": "bad", "type": 10,
                                      "periods": [{"dayNo": 99, "startSecond": 0, "function": 100}]}, 400),
    ("GET", "/config/weekprograms" + q(id={"extId": "contract-program"}), None, 200),
    ("GET", "/config/weekprograms" + q(type="10"), None, 200),
    ("GET", "/config/weekprograms", None, 400),
    ("PUT", "/config/weekprograms", {"id": {"extId": "contract-program"}, "name": "Contract hours 2"}, 200),
    ("PUT", "/config/weekprograms", {"id": None}, 400),
    ("DELETE", "/config/weekprograms" + q(id={"extId": "contract-program"}), None, 200),
    ("DELETE", "/config/weekprograms" + q(id={"extId": "contract-program"}), None, 400),
    # holidays
    ("POST", "/config/holidays", {"id": {"extId": "contract-holiday"}, "name": "Contract day", "isRepeated": True,
                                  "periods": [{"assumedWeekDay": 6, "startMonth": 12, "startDay": 24,
                                               "endMonth": 12, "endDay": 26}]}, 200),
    ("POST", "/config/holidays", {"id": {}, "name": 5}, 400),
    ("GET", "/config/holidays" + q(id={"extId": "contract-holiday"}), None, 200),
    ("GET", "/config/holidays", None, 200),
    ("GET", "/config/holidays" + q(id="not json"), None, 400),
    ("PUT", "/config/holidays", {"id": {"extId": "contract-holiday"}, "name": "Contract days"}, 200),
    ("PUT", "/config/holidays", {"id": {"extId": "no-such-holiday"}, "name": "x"}, 400),
    ("DELETE", "/config/holidays" + q(id={"extId": "contract-holiday"}), None, 200),
    ("DELETE", "/config/holidays" + q(id={"extId": "contract-holiday"}), None, 400),
    # events and the webhook; WEBHOOK_URL is replaced by the test's own receiver
    ("POST", "/events/filter", {"eventFilter": {"limitCount": 10}}, 200),
    ("POST", "/events/filter", {"eventFilter": {"eventTypes": "12000"}}, 400),
    ("POST", "/events/webhook", {"eventWebHook": {"url": "WEBHOOK_URL", "eventFilter": {"eventTypes": [12000]},
                                                  "userName": "hook", "password": "hookpw", "authType": "Basic"}}, 200),
    ("POST", "/events/webhook", {"eventWebHook": {"url": "WEBHOOK_URL"}}, 400),
    ("GET", "/events/webhook", None, 200),
    ("GET", "/events/webhook", None, 415, "text/plain"),
    ("POST", "/events/webhook/test", {"event": {"type": 12000, "eventTime": "2026-01-01T10:00:00Z", "details": []}},
     200),
    ("POST", "/events/webhook/test", {}, 400),
    ("DELETE", "/events/webhook", None, 401, "nobody"),
    ("DELETE", "/events/webhook", None, 200),
    # doors (the demo's door 1 has readers; card 100001 may pass it)
    ("POST", "/config/doors/filter", {"doorFilter": {"limitCount": 2, "includeAccessRights": True}}, 200),
    ("POST", "/config/doors/filter", {"doors": {}}, 400),
    ("POST", "/management/doors", {"doorCommand": {"doorIDs": {"ids": [{"id": 3}]}, "newDoorState": 2}}, 200),
    ("POST", "/management/doors", {"doorCommand": {"doorIDs": {"ids": []}, "newDoorState": 2}}, 400),
    ("POST", "/management/doors/status", {"doorFilter": {"ids": {"ids": [{"id": 3}]}}}, 200),
    ("POST", "/management/doors/status", {"doorFilter": {"limitCount": 0}}, 400),
    ("POST", "/management/simulatecardread", {"simulateCardRead": {"doorID": {"id": 1}, "cardNumber": "100001"}},
     200),
    ("POST", "/management/simulatecardread",
     {"simulateCardRead": {"doorID": {"id": 1}, "chipNumber": 5, "chipNumberBitLength": 57}}, 400),
    # the checks every request passes
    ("GET", "/info/api", None, 401, "no-auth"),
    ("GET", "/keynodes", None, 401, "nobody"),
    ("PATCH", "/keynodes", None, 405),
    ("GET", "/nowhere", None, 404),
]


class Receiver(http.server.BaseHTTPRequestHandler):
    """The webhook's receiver: answers every POST with 200."""
    def do_POST(self):
        self.rfile.read(int(self.headers.get("Content-Length", 0)))
        self.send_response(200)
        self.send_header("Content-Length", "0")
        self.end_headers()

    def log_message(self, *args):
        pass


def run(*args):
    result = subprocess.run(args, capture_output=True, text=True, timeout=120)
    if result.returncode != 0:
        sys.exit(f"{' '.join(args)} failed: {result.stdout}{result.stderr}")


def send(port, method, target, body=None, credentials=ADMIN, content_type="application/json"):
    connection = http.client.HTTPConnection("127.0.0.1", port, timeout=30)
    headers = {"Content-Type": content_type}
    if credentials:
        token = base64.b64encode(f"{credentials[0]}:{credentials[1]}".encode()).decode()
        headers["Authorization"] = "Basic " + token
    data = None if body is None else (body if isinstance(body, str) else json.dumps(body))
    connection.request(method, target, body=data, headers=headers)
    answer = connection.getresponse()
    return answer.status, answer.getheader("Content-Type"), answer.read().decode()


class Contract:
    def __init__(self, document):
        self.document = document
        jsonschema.Draft202012Validator.check_schema({"$defs": document["components"]["schemas"]})

    def operation(self, path, method):
        return self.document["paths"].get(path, {}).get(method.lower())

    def resolve(self, ref):
        node = self.document
        for part in ref[2:].split("/"):
            node = node[part.replace("~1", "/").replace("~0", "~")]
        return node

    def problems(self, pointer, value):
        """Where value breaks the schema at the JSON pointer into the document."""
        # The document is the root of the schema, so that its "#/components/..." references resolve.
        root = dict(self.document, **{"$ref": pointer})
        return [f"{'/'.join(map(str, e.absolute_path)) or '(root)'}: {e.message}"
                for e in jsonschema.Draft202012Validator(root).iter_errors(value)]

    def validate(self, path, method, status, body):
        """Problems of one answer; [] when it keeps the contract."""
        operation = self.operation(path, method)
        if operation is None:
            return [f"{method} {path} is not in the document"]
        key = str(status)
        if key not in operation["responses"]:
            return [f"status {status} is not documented"]
        pointer = "#/paths/" + escape(path) + "/" + method.lower() + "/responses/" + key
        response = operation["responses"][key]
        if "$ref" in response:
            pointer = response["$ref"]
            response = self.resolve(pointer)
        if "content" not in response:
            return [] if body == "" else [f"documented without a body, got {body[:200]}"]
        try:
            value = json.loads(body)
        except ValueError:
            return [f"not JSON: {body[:200]}"]
        return self.problems(pointer + "/content/application~1json/schema", value)

    def request_problems(self, path, method, target, body):
        """A request the API accepted must be one the document describes: its query parameters and body."""
        operation = self.operation(path, method)
        pointer = "#/paths/" + escape(path) + "/" + method.lower()
        documented = {p["name"] for p in operation.get("parameters", []) if p["in"] == "query"}
        found = [f"query parameter {name} is not documented"
                 for name in urllib.parse.parse_qs(urllib.parse.urlsplit(target).query) if name not in documented]
        if "requestBody" in operation and isinstance(body, (dict, list)):
            found += [f"request body {p}" for p in
                      self.problems(pointer + "/requestBody/content/application~1json/schema", body)]
        elif body is not None:
            found.append("a body is sent but none is documented")
        return found

    def example_problems(self):
        """The document's own examples must keep its schemas."""
        found = []
        def walk(node, pointer):
            if isinstance(node, dict):
                if "schema" in node and "example" in node:
                    found.extend(f"example at {pointer}: {p}"
                                 for p in self.problems(pointer + "/schema", node["example"]))
                for key, child in node.items():
                    walk(child, pointer + "/" + escape(key))
        walk(self.document, "#")
        return found


def escape(name):
    return name.replace("~", "~0").replace("/", "~1")


def main():
    keynoded, keynodectl, document_file = sys.argv[1:4]
    with open(document_file) as f:
        document_text = f.read()
    contract = Contract(json.loads(document_text))
    failures = contract.example_problems()

    receiver = http.server.HTTPServer(("127.0.0.1", 0), Receiver)
    threading.Thread(target=receiver.serve_forever, daemon=True).start()
    webhook_url = f"http://127.0.0.1:{receiver.server_port}/hook"

    with tempfile.TemporaryDirectory() as tmp:
        data = os.path.join(tmp, "data")
        ctl = [keynodectl, "--data-dir", data]
        run(*ctl, "init")
        run(*ctl, "demo")
        run(*ctl, "user", "add", ADMIN[0], "--password", ADMIN[1], "--all-methods")
        run(*ctl, "user", "add", NOBODY[0], "--password", NOBODY[1])
        run(*ctl, "property", "set", "GeneralWebApiSettings_Enabled", "1")
        # An empty configuration file of its own: nothing installed on the machine counts.
        config = os.path.join(tmp, "keynoded.conf")
        open(config, "w").close()
        daemon = subprocess.Popen([keynoded, "--data-dir", data, "--http-port", "0", "--https-port", "-1",
                                   "--workers", "2", "--config", config],
                                  stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        try:
            match = re.match(r"http listening on 127\.0\.0\.1:(\d+)", daemon.stdout.readline())
            if not match:
                sys.exit("keynoded did not report its port")
            port = int(match.group(1))
            # The service thread enables the API once it has read the settings.
            deadline = time.monotonic() + 20
            while send(port, "GET", PREFIX + "/info/api")[0] != 200:
                if time.monotonic() > deadline:
                    sys.exit("the API did not come up")
                time.sleep(0.1)

            seen = {}
            for method, target, body, expected, *how in CASES:
                path = target.split("?")[0]
                if isinstance(body, (dict, list)):
                    body = json.loads(json.dumps(body).replace("WEBHOOK_URL", webhook_url))
                credentials = {"no-auth": None, "nobody": NOBODY}.get(how[0], ADMIN) if how else ADMIN
                sent_type = "text/plain" if how == ["text/plain"] else "application/json"
                status, content_type, answer = send(port, method, PREFIX + target, body, credentials, sent_type)
                name = f"{method} {target} -> {expected}"
                if status != expected:
                    failures.append(f"{name}: answered {status} {answer[:300]}")
                    continue
                if content_type != "application/json":
                    failures.append(f"{name}: content type {content_type}")
                if contract.operation(PREFIX + path, method) is None and expected in (404, 405):
                    continue  # the common answers for paths and methods the API has not
                for problem in contract.validate(PREFIX + path, method, status, answer):
                    failures.append(f"{name}: {problem}")
                if status == 200:
                    for problem in contract.request_problems(PREFIX + path, method, target, body):
                        failures.append(f"{name}: {problem}")
                seen.setdefault((method, path), set()).add(status // 100)

            # Every documented operation has been seen succeeding and failing.
            for path, item in contract.document["paths"].items():
                if not path.startswith(PREFIX):
                    continue
                for method in item:
                    key = (method.upper(), path[len(PREFIX):])
                    if seen.get(key, set()) < {2, 4}:
                        failures.append(f"{key}: no success and error case ran ({sorted(seen.get(key, []))})")

            # Outside the API prefix: the document itself and the health answer.
            status, content_type, served = send(port, "GET", "/openapi.json", credentials=None)
            if status != 200 or json.loads(served) != contract.document:
                failures.append(f"/openapi.json answered {status} and not the repository's document")
            status, _, answer = send(port, "GET", "/health", credentials=None)
            for problem in contract.validate("/health", "GET", status, answer) if status == 200 else [status]:
                failures.append(f"/health: {problem}")
            # A 401 from a check carries its challenge.
            connection = http.client.HTTPConnection("127.0.0.1", port, timeout=30)
            connection.request("GET", PREFIX + "/keynodes", headers={"Content-Type": "application/json"})
            challenge = connection.getresponse().getheader("WWW-Authenticate")
            expected = contract.resolve("#/components/responses/Unauthorized")["headers"]["WWW-Authenticate"]
            if challenge != expected["schema"]["const"]:
                failures.append(f"401 challenge {challenge!r}")
        finally:
            daemon.terminate()
            daemon.wait(timeout=30)
    receiver.shutdown()

    for failure in failures:
        print("FAIL", failure)
    print(f"{len(CASES)} cases, {len(failures)} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
