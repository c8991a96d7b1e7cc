"""The user's calendars: one served over http:// from the loopback, added in the Settings window with the keys
alone, and one local file set with reg add; their days bold, today's events listed, the copy kept when the
server is gone or answers a web page, a file changed on disk followed."""
import hashlib
import http.server
import os
import ssl
import struct
import subprocess
import threading
import time

from steps import DECEMBER_10, needs_faked_clock, scenario, window_picture

HERE = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
TEAM = open(os.path.join(HERE, "calendars", "team.ics"), "rb").read()
TODAYS_FILE = (b"BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nUID:retro@example.org\r\nDTSTART:20261210T160000\r\n"
               b"DTEND:20261210T170000\r\nSUMMARY:Retro\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n")
LOGIN_PAGE = b"<!DOCTYPE html><html><body><form>Sign in</form></body></html>"
SETTINGS = "vrlCalendar settings"


class CalendarServer:
    """Serves /team.ics on 127.0.0.1, or a login page in its place, until stopped."""

    def __init__(self, port=0, tls=None):
        server = self

        class Handler(http.server.BaseHTTPRequestHandler):
            def do_GET(self):
                body, kind = (LOGIN_PAGE, "text/html") if server.html else (server.body, "text/calendar")
                self.send_response(200)
                self.send_header("Content-Type", kind)
                self.send_header("Content-Length", str(len(body)))
                self.end_headers()
                self.wfile.write(body)
                server.asked += 1

            def log_message(self, *_):
                pass

        self.html, self.asked, self.body = False, 0, TEAM
        self.httpd = http.server.ThreadingHTTPServer(("127.0.0.1", port), Handler)
        if tls:
            context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
            context.load_cert_chain(*tls)
            self.httpd.socket = context.wrap_socket(self.httpd.socket, server_side=True)
        self.url = f"http{'s' if tls else ''}://127.0.0.1:{self.httpd.server_address[1]}/team.ics"
        threading.Thread(target=self.httpd.serve_forever, daemon=True).start()

    def stop(self):
        self.httpd.shutdown()
        self.httpd.server_close()


def test_authority(world):
    """A certificate authority of the scenario's own, trusted by the prefix alone (its user's Root store, as
    Windows keeps it in the registry), and a server certificate it signed for "localhost" alone. Made as of
    the day before the faked clock's, so that they are already valid for the calendar."""
    folder = os.path.join(world.prefix, "pki")
    os.makedirs(folder)
    ca, key, csr, cert = (os.path.join(folder, name) for name in ("ca.crt", "key.pem", "req.pem", "localhost.crt"))
    extensions = os.path.join(folder, "ext")
    with open(extensions, "w") as out:
        out.write("subjectAltName=DNS:localhost\nbasicConstraints=CA:FALSE\nextendedKeyUsage=serverAuth\n")

    def openssl(*arguments):
        subprocess.run(["faketime", "2026-12-09 00:00:00", "openssl", *arguments], check=True, timeout=60,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", os.path.join(folder, "ca.key"), "-out", ca,
            "-days", "30", "-subj", "/CN=vrlCalendar test authority")
    openssl("req", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", csr, "-subj", "/CN=localhost")
    openssl("x509", "-req", "-in", csr, "-CA", ca, "-CAkey", os.path.join(folder, "ca.key"), "-CAcreateserial",
            "-out", cert, "-days", "30", "-extfile", extensions)
    der = subprocess.run(["openssl", "x509", "-in", ca, "-outform", "DER"], check=True, capture_output=True).stdout
    blob = struct.pack("<III", 32, 1, len(der)) + der  # the certificate as a property of its store entry
    thumbprint = hashlib.sha1(der).hexdigest().upper()
    trust = os.path.join(folder, "trust.reg")
    with open(trust, "w", encoding="utf-16") as out:
        out.write("Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Microsoft\\"
                  f"SystemCertificates\\Root\\Certificates\\{thumbprint}]\r\n"
                  f'"Blob"=hex:{",".join(f"{b:02x}" for b in blob)}\r\n')
    world.wine("reg", "import", trust, check=True)
    return cert, key


def day_rows(world, picture):
    """The calendar's six rows of days in a picture of the window, each a list of pixel rows."""
    calendar = next(c for c in world.window()["children"] if c["child"] == "SysMonthCal32")
    x, y, width, height = (int(calendar[k]) for k in ("x", "y", "width", "height"))
    top, bottom = y + height * 27 // 100, y + height * 88 // 100
    band = (bottom - top) / 6
    return [[row[x:x + width] for row in picture[int(top + i * band):int(top + (i + 1) * band)]] for i in range(6)]


@scenario(cost=150)
def calendars(world):
    """December 2026 in a US format (rows from Sunday); Wine's zone is UTC: the Stand-up at 9:30 in Berlin
    shows at 8:30."""
    def listed():
        return next((c["text"] for c in world.window()["children"] if c["child"] == "ListBox"), None)

    def settings_lines():
        world.choose(world.open_tray_menu(), "Settings…")
        dialog = world.expect("the Settings window", lambda: world.inspect("dialog", SETTINGS),
                              lambda d: d.get("foreground") == "1")
        world.keys("Escape")
        world.expect("the Settings window closed", lambda: world.inspect("dialog", SETTINGS),
                     lambda d: d.get("found") == "0")
        return next(c["text"] for c in dialog["children"] if c["id"] == "117")

    today = "8:30 AM\u20139:00 AM Stand-up | 1:00 PM\u20132:00 PM Dentist"
    server = CalendarServer()
    try:
        process = world.start_calendar(clock=DECEMBER_10)
        needs_faked_clock(world, DECEMBER_10[1:11])  # the events and the reminders are placed by it
        plain = day_rows(world, window_picture(world))

        world.choose(world.open_tray_menu(), "Settings…")
        world.expect("the Settings window", lambda: world.inspect("dialog", SETTINGS),
                     lambda d: d.get("foreground") == "1")
        world.keys("alt+d")
        world.expect("the box for an address", lambda: world.inspect("dialog", "Add an address"),
                     lambda d: d.get("found") == "1")
        world.xdotool("type", "--delay", 20, server.url)
        world.keys("Return", "alt+l", "Return")
        world.expect("today's events listed under the month", listed, lambda text: text == today)
        if world.stored().get("calendar1") != server.url:
            world.fail(f"the address stored as calendar1: {world.stored()}")
        x, y, width, height = world.desktop.tray_icons()[0]
        world.point_at(x + width // 2, y + height // 2)
        world.expect("the icon's tip to name today's next event after the date",
                     lambda: world.wine(world.shell_inspector, "tip").replace("\r", ""),
                     lambda tip: "tip=Thursday, December 10, 2026 \u00b7 week 50\nNext: 1:00 PM Dentist\n" in tip)

        bold = day_rows(world, window_picture(world))
        changed = [plain[i] != bold[i] for i in range(6)]
        # Nov 29 to Dec 5 has no event; Dec 13 to 19 the conference, Jan 3 to 9 the 4th.
        if changed[0] or not changed[2] or not changed[5]:
            world.fail(f"bold days: the rows that changed with the calendar were {changed}, "
                       "not the 2nd week's and the last, without the first")

        # Gone: the next start shows the copy at once and says why; a file set with reg add beside it.
        world.inspect("close")
        if not world.ended(process):
            world.fail("the calendar did not close")
        server.stop()
        review = TODAYS_FILE.replace(b"SUMMARY:Retro", b"SUMMARY:Review")
        with open(world.drive_c("review.ics"), "wb") as out:
            out.write(review)
        world.store("calendar2", r"C:\review.ics")
        world.start_calendar(clock=DECEMBER_10)
        world.expect("today's events from the copy and the file, the server gone", listed,
                     lambda text: text == today + " | 4:00 PM\u20135:00 PM Review")
        world.expect("the Settings window to say the server could not be reached", settings_lines,
                     lambda line: line.startswith("Team \u2014 could not be reached; showing the copy: "))

        # A web page in place of the calendar: the events stay.
        server = CalendarServer(int(server.url.split(":")[2].split("/")[0]))
        server.html = True
        world.choose(world.open_tray_menu(), "Refresh calendars")
        world.expect("the Settings window to say it is not a calendar", settings_lines,
                     lambda line: line.startswith("Team \u2014 not a calendar; showing the copy: "))
        if listed() != today + " | 4:00 PM\u20135:00 PM Review":
            world.fail(f"after a web page in place of the calendar the list shows {listed()!r}")

        # The file written anew, as an editor saves it: the list follows.
        with open(world.drive_c("review.ics.new"), "wb") as out:
            out.write(TODAYS_FILE)
        os.replace(world.drive_c("review.ics.new"), world.drive_c("review.ics"))
        world.expect("the list to follow the file changed on disk", listed,
                     lambda text: text == today + " | 4:00 PM\u20135:00 PM Retro")

        # Over TLS: the authority trusted, a certificate for another name refused, the right one taken.
        secure = CalendarServer(tls=test_authority(world))
        world.inspect("close")
        world.wait_for(lambda: world.inspect("count").get("count") == "0", 30, "the calendar closed")
        world.store("calendar3", secure.url)
        world.store("calendar4", secure.url.replace("127.0.0.1", "localhost"))
        started = time.monotonic()
        world.start_calendar(clock=DECEMBER_10)
        world.expect("the certificate for another name refused, localhost's taken", settings_lines,
                     lambda lines: f"{secure.url[8:].split('/')[0]} \u2014 the certificate is not valid; nothing to "
                                   "show | Team \u2014 4 events, read " in lines)
        secure.stop()

        # A reminder: an event two minutes ahead of the faked clock, its alarm due a few seconds after the
        # calendar has been read again, long after the start.
        def soon(summary, alarm_ahead=5):
            at = 12 * 3600 + int(time.monotonic() - started) + 120
            return (f"BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nUID:{summary}@example.org\r\n"
                    f"DTSTART:20261210T{at // 3600:02d}{at // 60 % 60:02d}{at % 60:02d}\r\nSUMMARY:{summary}\r\n"
                    f"LOCATION:Room 7\r\nBEGIN:VALARM\r\nACTION:DISPLAY\r\nTRIGGER:-PT{120 - alarm_ahead}S\r\n"
                    "END:VALARM\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n").encode()
        server.html, server.body = False, soon("Planning poker")
        world.choose(world.open_tray_menu(), "Refresh calendars")
        balloon = world.expect("the reminder's notification over the icon", lambda: world.shell_tip_window(40, 200),
                               lambda rect: rect, seconds=60)
        text = world.read_screen(balloon)
        if "Planning poker" not in text or "Room 7" not in text:
            world.fail(f"the notification reads {text!r}, not the event's summary and location")

        # "Never", chosen by keyboard: an alarm falls due unseen. Chosen back, it comes: it was never shown.
        def remind_me(keys, what):
            world.choose(world.open_tray_menu(), "Settings…")
            world.expect("the Settings window", lambda: world.inspect("dialog", SETTINGS),
                         lambda d: d.get("foreground") == "1")
            world.keys("alt+e", keys, "Return")
            world.expect(f"reminders {what}", lambda: world.stored().get("remindMe"), lambda value: value == what)
        remind_me("End", "never")
        server.body = soon("Quiet hour")
        due = time.monotonic() + 5
        world.choose(world.open_tray_menu(), "Refresh calendars")
        while time.monotonic() < due + 5:
            shown = world.shell_tip_window(40, 200)
            if shown and "Quiet hour" in world.read_screen(shown):
                world.fail("with reminders never, the alarm's notification came")
        remind_me("Home", "calendar")
        balloon = world.expect("the alarm missed while never, now", lambda: world.shell_tip_window(40, 200),
                               lambda rect: rect and "Quiet hour" in world.read_screen(rect), seconds=60)
    finally:
        server.stop()
