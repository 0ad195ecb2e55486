#!/usr/bin/python3
"""The latency benchmark's web server, its list of URLs and the floor a run is measured against.

  latencyserver.py serve READY_FILE
      Listen on 127.0.0.2 ... 127.0.0.26, all on one free port, so that a client sees 25 hosts;
      write the port to READY_FILE once listening, then serve until terminated.
  latencyserver.py plan PORT ROWS [DEAD_ROWS]
      Print one tab-separated line per row (1-based, in ID order): row, URL, delay in ms or "dead".
      Row i lives on host 127.0.0.(2 + (i - 1) mod 25); DEAD_ROWS is a comma-separated list.
  latencyserver.py floor PLAN_FILE PARALLEL REQUEST_LIMIT_MS
      Print the shortest time in ms a run of PARALLEL requests in flight could take over the plan.

The delay sits in the path (/r007-345ms.html), so the server needs no state to answer.
A dead path (/r010-dead.html) has its request read and never answered, as a server that hangs.
/stats answers with counters in JSON (requests, peak requests in flight in all and per host);
/stats?reset starts them again.
"""

import asyncio
import heapq
import json
import os
import re
import sys

HOSTS = [f"127.0.0.{2 + n}" for n in range(25)]
PAGE_PATH = re.compile(rb"^/r\d+-(?:(\d+)ms|(dead))\.html$")
MAX_HEADER_BYTES = 64 * 1024


def delays(rows):
    """A fixed pseudo-random sequence of delays of 100 to 600 ms (a linear congruential generator)."""
    state = 20261206
    for _ in range(rows):
        state = (1103515245 * state + 12345) % 2**31
        yield 100 + (state >> 8) % 501


def page(path):
    body = (
        "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Harbour notices</title></head>\n"
        "<body><h1>Harbour board notices</h1>\n"
        f"<p>Notice {path}: the harbour board invites a tender for dredging the inner basin.</p>\n"
        "<p>Questions about the tender go to the board's office before the end of the month.</p>\n"
        "</body></html>\n"
    )
    return body.encode()


class Counters:
    def __init__(self):
        self.in_flight = 0
        self.per_host = {}
        self.reset()

    def reset(self):
        self.requests = 0
        self.dead = 0
        self.peak_in_flight = self.in_flight
        self.peak_per_host = max(self.per_host.values(), default=0)

    def begin(self, host):
        self.requests += 1
        self.in_flight += 1
        self.per_host[host] = self.per_host.get(host, 0) + 1
        self.peak_in_flight = max(self.peak_in_flight, self.in_flight)
        self.peak_per_host = max(self.peak_per_host, self.per_host[host])

    def end(self, host):
        self.in_flight -= 1
        self.per_host[host] -= 1

    def as_json(self):
        return json.dumps({"requests": self.requests, "dead": self.dead,
                           "peak_in_flight": self.peak_in_flight,
                           "peak_per_host": self.peak_per_host}).encode()


counters = Counters()


def response(status, body, keep_alive, content_type="text/html; charset=utf-8"):
    head = (f"HTTP/1.1 {status}\r\nContent-Type: {content_type}\r\nContent-Length: {len(body)}\r\n"
            f"Connection: {'keep-alive' if keep_alive else 'close'}\r\n\r\n")
    return head.encode() + body


async def handle(reader, writer):
    host = writer.get_extra_info("sockname")[0]
    try:
        while True:
            try:
                header = await reader.readuntil(b"\r\n\r\n")
            except (asyncio.IncompleteReadError, asyncio.LimitOverrunError, ConnectionError):
                return
            lines = header.split(b"\r\n")
            parts = lines[0].split()
            if len(parts) != 3:
                return
            _, target, version = parts
            fields = {}
            for line in lines[1:]:
                name, _, value = line.partition(b":")
                fields[name.strip().lower()] = value.strip().lower()
            # RFC 9112 section 9.3: HTTP/1.1 connections persist unless "close"; HTTP/1.0 ones only on request.
            connection = fields.get(b"connection", b"")
            keep_alive = b"close" not in connection and (version == b"HTTP/1.1" or b"keep-alive" in connection)

            if target.split(b"?")[0] == b"/stats":
                if target.endswith(b"?reset"):
                    counters.reset()
                writer.write(response("200 OK", counters.as_json(), keep_alive, "application/json"))
                await writer.drain()
            else:
                match = PAGE_PATH.match(target)
                counters.begin(host)
                try:
                    if match and match.group(2):
                        counters.dead += 1
                        # Read whatever comes until the client gives up and closes.
                        while await reader.read(65536):
                            pass
                        return
                    if match:
                        await asyncio.sleep(int(match.group(1)) / 1000)
                        writer.write(response("200 OK", page(target.decode()), keep_alive))
                    else:
                        writer.write(response("404 Not Found", b"not found\n", keep_alive))
                    await writer.drain()
                finally:
                    counters.end(host)
            if not keep_alive:
                return
    except ConnectionError:
        pass
    finally:
        writer.close()


async def serve(ready_file):
    # The port the kernel picks for the first address may be taken on another; then try again.
    for _ in range(50):
        server = await asyncio.start_server(handle, HOSTS[0], 0, limit=MAX_HEADER_BYTES, backlog=512)
        port = server.sockets[0].getsockname()[1]
        others = []
        try:
            for host in HOSTS[1:]:
                others.append(await asyncio.start_server(handle, host, port, limit=MAX_HEADER_BYTES, backlog=512))
        except OSError:
            for s in [server, *others]:
                s.close()
            continue
        with open(ready_file + ".tmp", "w") as f:
            f.write(f"{port}\n")
        os.replace(ready_file + ".tmp", ready_file)
        await asyncio.Event().wait()
    sys.exit("latencyserver: no port free on all 25 addresses")


def plan(port, rows, dead):
    for row, delay in enumerate(delays(rows), start=1):
        host = HOSTS[(row - 1) % len(HOSTS)]
        if row in dead:
            print(f"{row}\thttp://{host}:{port}/r{row:03d}-dead.html\tdead")
        else:
            print(f"{row}\thttp://{host}:{port}/r{row:03d}-{delay}ms.html\t{delay}")


def floor(plan_file, parallel, limit_ms):
    """With no dead path: the delays divided among the requests in flight. With dead paths: the
    moment the last one can start, plus the request limit it then waits out; that moment comes
    from a schedule that starts each row, in order, as soon as one of PARALLEL places is free (a
    dead row holds its place for the whole limit; the per-host limit is left out). A run can also
    never beat the total busy time divided among the places."""
    durations = []
    with open(plan_file) as f:
        for line in f:
            delay = line.rstrip("\n").split("\t")[2]
            durations.append((delay == "dead", limit_ms if delay == "dead" else int(delay)))
    if not any(dead for dead, _ in durations):
        return sum(d for _, d in durations) / parallel
    free_at = [0] * parallel
    last_dead_start = 0
    for dead, duration in durations:
        start = heapq.heappop(free_at)
        if dead:
            last_dead_start = start
        heapq.heappush(free_at, start + duration)
    return max(last_dead_start + limit_ms, sum(d for _, d in durations) / parallel)


def window_floor(plan_file, parallel, window, limit_ms):
    """The floor of a run that, to report pages in list order, keeps at most WINDOW rows taken:
    a row starts when one of PARALLEL places is free and the row WINDOW places before it has been
    reported, which is when it and every row before it have finished. A dead row early in the
    list thus holds back every row more than WINDOW places after it until its limit runs out."""
    durations = []
    with open(plan_file) as f:
        for line in f:
            delay = line.rstrip("\n").split("\t")[2]
            durations.append(limit_ms if delay == "dead" else int(delay))
    free_at = [0] * parallel
    reported = []  # reported[i]: the moment rows 0..i have all finished
    for i, duration in enumerate(durations):
        start = heapq.heappop(free_at)
        if i >= window:
            start = max(start, reported[i - window])
        finish = start + duration
        reported.append(max(finish, reported[-1]) if reported else finish)
        heapq.heappush(free_at, finish)
    return reported[-1] if reported else 0


def main(argv):
    if len(argv) == 3 and argv[1] == "serve":
        asyncio.run(serve(argv[2]))
    elif len(argv) in (4, 5) and argv[1] == "plan":
        dead = {int(r) for r in argv[4].split(",") if r} if len(argv) == 5 else set()
        plan(int(argv[2]), int(argv[3]), dead)
    elif len(argv) == 5 and argv[1] == "floor":
        print(round(floor(argv[2], int(argv[3]), int(argv[4]))))
    elif len(argv) == 6 and argv[1] == "window-floor":
        print(round(window_floor(argv[2], int(argv[3]), int(argv[4]), int(argv[5]))))
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main(sys.argv)
