#!/usr/bin/python3
"""The API contract against the code: runs every endpoint's success and error answers on keynoded serving
the demo site and validates each answer body against the schema docs/openapi.json gives for its status.

Usage: contract_test.py KEYNODED KEYNODECTL OPENAPI_JSON
"""
import base64, http.client, http.server, json, os, re, subprocess, sys, tempfile, threading, time, urllib.parse

import jsonschema

PREFIX = "/api/v1"
ADMIN = ("admin", "s3cret")
NOBODY = ("nobody", "n0body")  # a user without any claim: authenticated, refused everywhere


def q(**params):
    """A query string whose identity values are JSON text, as the API takes them."""
    return "?" + urllib.parse.urlencode({k: json.dumps(v, separators=(",", ":")) if isinstance(v, dict) else v
                                         for k, v in params.items()})


def resource(path, ext, create, bad_create, gets, bad_get, change, bad_put):
    """A resource's cases: create, read, change and delete, each once right and once wrong. The record made
    has the extId `ext`; deleting it a second time fails."""
    ident = q(id={"extId": ext})
    return [("POST", path, {"id": {"extId": ext}, **create}, 200), ("POST", path, bad_create, 400),
            *[("GET", path + get, None, 200) for get in [ident] + gets], ("GET", path + bad_get, None, 400),
            ("PUT", path, {"id": {"extId": ext}, **change}, 200), ("PUT", path, bad_put, 400),
            ("DELETE", path + ident, None, 200), ("DELETE", path + ident, None, 400)]


# (method, path with query, body, expected status[, how]), run in order. A body of None sends nothing, a
# str is sent as is (malformed JSON), anything else as JSON. `how` is "no-auth" for no credentials, "nobody"
# for those of the user without claims, or "text/plain" for that content type.
CASES = [
    ("GET", "/info/api", None, 200), ("GET", "/keynodes", None, 200),
    *resource("/access/cards", "contract-card",
              {"cardHolderID": {"id": 1}, "number": "C-1", "isBlocked": False, "pinCode": "1234", "options": [],
               "accessGroupLinks": [{"accessGroupID": {"id": 1}, "validFrom": "2026-01-01T00:00:00Z",
                                     "validTo": None}], "info": "contract"},
              {"id": {}, "number": "C-2"}, [q(cardNumber="C-1")], "", {"info": "changed"},
              {"id": {"extId": "no-such-card"}, "info": "x"}),
    ("POST", "/access/cards", "{not json", 400),
    ("POST", "/access/cards/filter", {"cardFilter": {"limitCount": 5}}, 200),
    ("POST", "/access/cards/filter", {"cardFilter": {"limitCount": 0}}, 400),
    *resource("/access/cardHolders", "contract-holder",
              {"firstName": "Ada", "lastName": "Lovelace", "middleName": None, "company": "Contract Ltd",
               "info": None, "validFrom": "2026-01-01T00:00:00Z", "validTo": None},
              {"firstName": "no id"}, [], q(id={"id": 1}, other="x"), {"company": "Changed"}, {"id": {"id": 999999}}),
    ("POST", "/access/cardHolders/filter", {"cardHolderFilter": {"limitCount": 3}}, 200),
    ("POST", "/access/cardHolders/filter", {"wrongMember": {}}, 400),
    *resource("/access/accessGroups", "contract-group",
              {"name": "Contract group", "info": None, "priority": 40, "isReusable": True,
               "accessRights": [{"doorID": {"id": 1}, "weekProgramID": {"id": 1}}]},
              {"id": {}, "name": "No door", "accessRights": [{"doorID": {"id": 999999}, "weekProgramID": {"id": 1}}]},
              [q(name="Staff")], q(id={"id": 1}, name="Staff"), {"priority": 41}, []),
    *resource("/config/weekprograms", "contract-program",
              {"name": "Contract hours", "type": 10, "periods": [{"dayNo": 0, "startSecond": 0, "function": 100},
                                                                 {"dayNo": 0, "startSecond": 28800, "function": 101}]},
              {"id": {}, "name": "bad", "type": 10, "periods": [{"dayNo": 99, "startSecond": 0, "function": 100}]},
              [q(type="10")], "", {"name": "Contract hours 2"}, {"id": None}),
    *resource("/config/holidays", "contract-holiday",
              {"name": "Contract day", "isRepeated": True,
               "periods": [{"assumedWeekDay": 6, "startMonth": 12, "startDay": 24, "endMonth": 12, "endDay": 26}]},
              {"id": {}, "name": 5}, [""], q(id="not json"), {"name": "Contract days"},
              {"id": {"extId": "no-such-holiday"}, "name": "x"}),
    # events and the webhook; WEBHOOK_URL is replaced by the test's own receiver
    ("POST", "/events/filter", {"eventFilter": {"limitCount": 10}}, 200),
    ("POST", "/events/filter", {"eventFilter": {"eventTypes": "12000"}}, 400),
    ("POST", "/events/webhook", {"eventWebHook": {"url": "WEBHOOK_URL", "eventFilter": {"eventTypes": [12000]},
                                                  "userName": "hook", "password": "hookpw", "authType": "Basic"}}, 200),
    ("POST", "/events/webhook", {"eventWebHook": {"url": "WEBHOOK_URL"}}, 400),
    ("GET", "/events/webhook", None, 200), ("GET", "/events/webhook", None, 415, "text/plain"),
    ("POST", "/events/webhook/test", {"event": {"type": 12000, "eventTime": "2026-01-01T10:00:00Z", "details": []}},
     200),
    ("POST", "/events/webhook/test", {}, 400),
    ("DELETE", "/events/webhook", None, 401, "nobody"), ("DELETE", "/events/webhook", None, 200),
    # doors (the demo's door 1 has readers; card 100001 may pass it)
    ("POST", "/config/doors/filter", {"doorFilter": {"limitCount": 2, "includeAccessRights": True}}, 200),
    ("POST", "/config/doors/filter", {"doors": {}}, 400),
    ("POST", "/management/doors", {"doorCommand": {"doorIDs": {"ids": [{"id": 3}]}, "newDoorState": 2}}, 200),
    ("POST", "/management/doors", {"doorCommand": {"doorIDs": {"ids": []}, "newDoorState": 2}}, 400),
    ("POST", "/management/doors/status", {"doorFilter": {"ids": {"ids": [{"id": 3}]}}}, 200),
    ("POST", "/management/doors/status", {"doorFilter": {"limitCount": 0}}, 400),
    ("POST", "/management/simulatecardread", {"simulateCardRead": {"doorID": {"id": 1}, "cardNumber": "100001"}}, 200),
    ("POST", "/management/simulatecardread",
     {"simulateCardRead": {"doorID": {"id": 1}, "chipNumber": 5, "chipNumberBitLength": 57}}, 400),
    # the checks every request passes
    ("GET", "/info/api", None, 401, "no-auth"), ("GET", "/keynodes", None, 401, "nobody"),
    ("PATCH", "/keynodes", None, 405), ("GET", "/nowhere", None, 404),
]


class Receiver(http.server.BaseHTTPRequestHandler):
    """The webhook's receiver: answers every POST with 200."""
    def do_POST(self):
        self.rfile.read(int(self.headers.get("Content-Length", 0)))
        self.send_response(200)
        self.send_header("Content-Length", "0")
        self.end_headers()

    log_message = lambda self, *args: None


def send(port, method, target, body=None, credentials=ADMIN, content_type="application/json"):
    """Status, content type, body text and the WWW-Authenticate header of one answer."""
    headers = {"Content-Type": content_type}
    if credentials:
        headers["Authorization"] = "Basic " + base64.b64encode(":".join(credentials).encode()).decode()
    connection = http.client.HTTPConnection("127.0.0.1", port, timeout=30)
    connection.request(method, target, None if body is None else body if isinstance(body, str) else json.dumps(body),
                       headers)
    answer = connection.getresponse()
    return answer.status, answer.getheader("Content-Type"), answer.read().decode(), answer.getheader("WWW-Authenticate")


def escape(name):
    return name.replace("~", "~0").replace("/", "~1")


def resolve(ref):
    node = DOC
    for part in ref[2:].split("/"):
        node = node[part.replace("~1", "/").replace("~0", "~")]
    return node


def problems(pointer, value):
    """Where value breaks the schema at the JSON pointer into the document, the root of the schema (so that its
    "#/components/..." references resolve)."""
    return [f"{'/'.join(map(str, e.absolute_path)) or '(root)'}: {e.message}"
            for e in jsonschema.Draft202012Validator(dict(DOC, **{"$ref": pointer})).iter_errors(value)]


def answer_problems(path, method, status, body):
    """Problems of one answer; [] when it keeps the contract."""
    operation = DOC["paths"].get(path, {}).get(method.lower())
    if operation is None:
        return [f"{method} {path} is not in the document"]
    if str(status) not in operation["responses"]:
        return [f"status {status} is not documented"]
    pointer = f"#/paths/{escape(path)}/{method.lower()}/responses/{status}"
    response = operation["responses"][str(status)]
    if "$ref" in response:
        pointer = response["$ref"]
        response = resolve(pointer)
    if "content" not in response:
        return [] if body == "" else [f"documented without a body, got {body[:200]}"]
    try:
        value = json.loads(body)
    except ValueError:
        return [f"not JSON: {body[:200]}"]
    return problems(pointer + "/content/application~1json/schema", value)


def request_problems(path, method, target, body):
    """A request the API accepted must be one the document describes: its query parameters and body."""
    operation = DOC["paths"][path][method.lower()]
    documented = {p["name"] for p in operation.get("parameters", []) if p["in"] == "query"}
    found = [f"query parameter {name} is not documented"
             for name in urllib.parse.parse_qs(urllib.parse.urlsplit(target).query) if name not in documented]
    if "requestBody" in operation and isinstance(body, (dict, list)):
        pointer = f"#/paths/{escape(path)}/{method.lower()}/requestBody/content/application~1json/schema"
        found += [f"request body {p}" for p in problems(pointer, body)]
    elif body is not None:
        found.append("a body is sent but none is documented")
    return found


def example_problems(node, pointer="#"):
    """The document's own examples must keep its schemas."""
    if not isinstance(node, dict):
        return []
    found = [f"example at {pointer}: {p}" for p in problems(pointer + "/schema", node["example"])] \
        if "schema" in node and "example" in node else []
    for key, child in node.items():
        found += example_problems(child, pointer + "/" + escape(key))
    return found


def main():
    keynoded, keynodectl, document_file = sys.argv[1:4]
    global DOC
    with open(document_file) as f:
        DOC = json.load(f)
    jsonschema.Draft202012Validator.check_schema({"$defs": DOC["components"]["schemas"]})
    failures = example_problems(DOC)
    receiver = http.server.HTTPServer(("127.0.0.1", 0), Receiver)
    threading.Thread(target=receiver.serve_forever, daemon=True).start()
    webhook_url = f"http://127.0.0.1:{receiver.server_port}/hook"

    with tempfile.TemporaryDirectory() as tmp:
        data, config = os.path.join(tmp, "data"), os.path.join(tmp, "keynoded.conf")
        for args in [["init"], ["demo"], ["user", "add", ADMIN[0], "--password", ADMIN[1], "--all-methods"],
                     ["user", "add", NOBODY[0], "--password", NOBODY[1]],
                     ["property", "set", "GeneralWebApiSettings_Enabled", "1"]]:
            subprocess.run([keynodectl, "--data-dir", data, *args], check=True, stdout=subprocess.DEVNULL)
        open(config, "w").close()  # an empty configuration file of its own: nothing installed counts
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

            # The demo site is written straight into the tables; every record of it must also be one the API
            # accepts: each list's records, written back unchanged (without the members only a POST may carry),
            # leave the list as it was. Cards and card holders are listed with a filter that matches all.
            for path, method, suffix, body in [("/access/accessGroups", "GET", "", None),
                                               ("/config/holidays", "GET", "", None),
                                               ("/config/weekprograms", "GET", "?type=10", None),
                                               ("/access/cards", "POST", "/filter", {"cardFilter": {}}),
                                               ("/access/cardHolders", "POST", "/filter", {"cardHolderFilter": {}})]:
                listed = send(port, method, PREFIX + path + suffix, body)[2]
                records = json.loads(listed).get("records", [])
                if not records:
                    failures.append(f"{path}: no records")
                for record in records:
                    record = {key: value for key, value in record.items() if key not in ("type", "isSystem")}
                    status, _, answer, _ = send(port, "PUT", PREFIX + path, record)
                    if status != 200:
                        failures.append(f"PUT {path} {record} answered {status} {answer[:300]}")
                if send(port, method, PREFIX + path + suffix, body)[2] != listed:
                    failures.append(f"{path}: writing the records back changed the list")

            seen = {}
            for method, target, body, expected, *how in CASES:
                path = PREFIX + target.split("?")[0]
                if isinstance(body, (dict, list)):
                    body = json.loads(json.dumps(body).replace("WEBHOOK_URL", webhook_url))
                credentials = {"no-auth": None, "nobody": NOBODY}.get(how[0], ADMIN) if how else ADMIN
                status, content_type, answer, _ = send(port, method, PREFIX + target, body, credentials,
                                                       "text/plain" if how == ["text/plain"] else "application/json")
                name = f"{method} {target} -> {expected}"
                if status != expected:
                    failures.append(f"{name}: answered {status} {answer[:300]}")
                    continue
                if content_type != "application/json":
                    failures.append(f"{name}: content type {content_type}")
                if method.lower() not in DOC["paths"].get(path, {}) and expected in (404, 405):
                    continue  # the common answers for paths and methods the API has not
                found = answer_problems(path, method, status, answer)
                if status == 200:
                    found += request_problems(path, method, target, body)
                failures += [f"{name}: {problem}" for problem in found]
                seen.setdefault((method, path), set()).add(status // 100)

            # Every documented operation has been seen succeeding and failing.
            failures += [f"{method.upper()} {path}: no success and error case ran"
                         for path, item in DOC["paths"].items() if path.startswith(PREFIX)
                         for method in item if seen.get((method.upper(), path), set()) < {2, 4}]
            # Outside the API prefix: the document itself and the health answer.
            status, _, served, _ = send(port, "GET", "/openapi.json", credentials=None)
            if status != 200 or json.loads(served) != DOC:
                failures.append(f"/openapi.json answered {status} and not the repository's document")
            status, _, answer, _ = send(port, "GET", "/health", credentials=None)
            failures += [f"/health: {p}" for p in
                         (answer_problems("/health", "GET", status, answer) if status == 200 else [status])]
            # A 401 from a check carries its challenge.
            challenge = send(port, "GET", PREFIX + "/keynodes", credentials=None)[3]
            expected = resolve("#/components/responses/Unauthorized")["headers"]["WWW-Authenticate"]
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
