#!/usr/bin/python3
"""The page that velmire -html writes, opened from disk in a real browser.

Headless Chromium, driven through Selenium and ChromeDriver (Debian's
chromium, chromium-driver and python3-selenium), over the demo and over PIX
files of hostile names, in BMP and PNG mode. Each figure is checked against
the report line of the same texture and against its image file; then the
search field, and that no name runs as markup.

    browser_test.py VELMIRE WRITE_PIX SAMPLES

Without a browser, a driver or Selenium it exits 77, which CTest counts as
skipped, after saying what is missing; with VELMIRE_REQUIRE_BROWSER=1 (as in
CI) that is a failure. The policy's hashes are checked before that, without
a browser.
"""
import base64
import hashlib
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import urllib.parse

CHROMIUM = "/usr/bin/chromium"
CHROMEDRIVER = "/usr/bin/chromedriver"
SKIPPED = 77

# Texture names that would be markup, a link's end, a query, a fragment, a
# scheme or a character reference if any of them reached the page as it is;
# a byte that is no UTF-8; no name at all.
HOSTILE_NAMES = [
    b"<script>document.title='x'</script>",
    b"\"><img src=x onerror=\"document.title='x'\">",
    b"a b#c%d?e.pix",
    b"javascript:document.title='x'",
    b"caf\xe9 &amp; 'tea'.PIX",
    b"",
]
# The PIX files holding them: one at the top of the source, where names
# alone start the links with "-file -noenum -nopixpackname", and one below.
HOSTILE_FILES = {
    b"<i>hostile #1 %?.pix": HOSTILE_NAMES,
    b"sub folder&/<b>deeper.pix": [b"%2e%2e", b"deeper?x=1#top"],
}


class Failure(Exception):
    pass


def check(condition, what):
    if not condition:
        raise Failure(what)


def skip(reason):
    if os.environ.get("VELMIRE_REQUIRE_BROWSER") == "1":
        print(f"FAILED: {reason}, and VELMIRE_REQUIRE_BROWSER=1 asks for the browser test")
        sys.exit(1)
    print(f"skipped: {reason}")
    sys.exit(SKIPPED)


def text(raw):
    """Bytes as the page's UTF-8 shows them."""
    return raw.decode("utf-8", errors="replace")


# "!NO: TRACK.PIX (LETTER_V.PIX) --> TRACK.PIX/0004. LETTER_V.PIX.BMP"
REPORT_LINE = re.compile(rb"^(!?[0-9A-Z]{2}): (.*?) \((.*)\) --> (.*)$")


def run_velmire(velmire, source, destination, options):
    run = subprocess.run([velmire, source, destination, *options], capture_output=True)
    check(run.returncode == 0 and run.stderr == b"",
          f"velmire {source} {options}: status {run.returncode}, messages {run.stderr!r}")
    report = run.stdout.split(b"\n\nTEXTURE TYPES CAPTION:")[0]
    lines = []
    for line in report.splitlines():
        match = REPORT_LINE.match(line)
        check(match is not None, f"a report line that does not parse: {line!r}")
        code, pix, name, file = match.groups()
        lines.append({"code": code.decode(), "pix": text(pix), "name": text(name), "file": file})
    return lines


def check_policy(page):
    """The policy names the hashes of the page's one style sheet and one script."""
    policy = re.search(rb'<meta http-equiv="Content-Security-Policy" content="([^"]*)">', page)
    check(policy is not None, "the page has no Content-Security-Policy")
    for tag, directive in ((b"style", "style-src"), (b"script", "script-src")):
        bodies = re.findall(rb"<" + tag + rb">(.*?)</" + tag + rb">", page, re.S)
        check(len(bodies) == 1, f"the page holds {len(bodies)} <{tag.decode()}> elements")
        digest = base64.b64encode(hashlib.sha256(bodies[0]).digest()).decode()
        check(f"{directive} 'sha256-{digest}'" in policy.group(1).decode(),
              f"the policy lacks {directive} 'sha256-{digest}': update kPagePolicy in src/html/page_assets.cc")


def image_size(path):
    """Width and height from a PNG or BMP file's header."""
    with open(path, "rb") as file:
        head = file.read(26)
    if head.startswith(b"\x89PNG"):
        return struct.unpack(">II", head[16:24])
    check(head.startswith(b"BM"), f"{path!r} is neither PNG nor BMP")
    width, height = struct.unpack("<ii", head[18:26])
    return width, abs(height)


def shown_longer_side(width, height):
    longer = max(width, height)
    if longer < 64:
        return longer * -(-64 // longer)
    return min(longer, 256)


FIGURES = """
return Array.from(document.querySelectorAll("main figure"), (figure) => ({
  heading: figure.parentElement.querySelector("h2").textContent,
  name: figure.querySelector("figcaption b").textContent,
  caption: figure.querySelector("figcaption").textContent,
  href: figure.querySelector("a").getAttribute("href"),
  placeholder: figure.querySelector(".placeholder") ? figure.querySelector(".placeholder").textContent : null,
  images: figure.querySelectorAll("img").length,
}));
"""

IMAGE = """
const image = document.querySelectorAll("main figure")[arguments[0]].querySelector("img");
image.scrollIntoView();
return {complete: image.complete, width: image.naturalWidth, height: image.naturalHeight,
        shownWidth: image.width, shownHeight: image.height, rendering: getComputedStyle(image).imageRendering};
"""


def check_figures(driver, destination, lines, png):
    figures = driver.execute_script(FIGURES)
    check(len(figures) == len(lines), f"{len(figures)} figures for {len(lines)} report lines")
    for index, (figure, line) in enumerate(zip(figures, lines)):
        where = f"figure {index + 1} ({line['name']!r})"
        check(figure["name"] == line["name"], f"{where}: the caption names {figure['name']!r}")
        check(figure["heading"].split("/")[-1] == line["pix"], f"{where}: under the heading {figure['heading']!r}")
        # The report names the file below its PIX file's folder (or the
        # source folder's counterpart); the link, below the page's.
        linked = urllib.parse.unquote_to_bytes(figure["href"])
        path = os.path.join(os.fsencode(destination), linked)
        check((linked == line["file"] or linked.endswith(b"/" + line["file"])) and os.path.isfile(path),
              f"{where}: the link {figure['href']!r} does not lead to {line['file']!r}")
        width, height = image_size(path)
        check(figure["caption"].endswith(f"{width}\u00d7{height} {line['code']}"),
              f"{where}: the caption {figure['caption']!r} is not {width}x{height} {line['code']}")
        if line["code"].startswith("!"):
            check(not png, f"{where}: marked '!' in PNG mode")
            check(figure["images"] == 0 and "-png" in (figure["placeholder"] or ""),
                  f"{where}: no placeholder that tells of -png")
            continue
        check(figure["images"] == 1 and figure["placeholder"] is None, f"{where}: not one image")
        deadline = time.monotonic() + 10
        while not (image := driver.execute_script(IMAGE, index))["complete"]:
            check(time.monotonic() < deadline, f"{where}: the image did not load")
            time.sleep(0.05)
        check((image["width"], image["height"]) == (width, height),
              f"{where}: the image shows as {image['width']}x{image['height']}, not {width}x{height}")
        longer = shown_longer_side(width, height)
        check(max(image["shownWidth"], image["shownHeight"]) == longer,
              f"{where}: shown at {image['shownWidth']}x{image['shownHeight']}, its longer side not {longer}")
        check((image["rendering"] == "pixelated") == (longer > max(width, height)),
              f"{where}: image-rendering is {image['rendering']}")


def type_search(driver, typed):
    from selenium.webdriver.common.by import By
    from selenium.webdriver.common.keys import Keys
    field = driver.find_element(By.CSS_SELECTOR, "header input[type=search]")
    field.send_keys(Keys.CONTROL, "a")
    field.send_keys(Keys.DELETE)
    if typed:
        field.send_keys(typed)


SHOWN = """
return {figures: Array.from(document.querySelectorAll("main figure"), (figure) => !figure.hidden),
        sections: Array.from(document.querySelectorAll("main section"),
                             (section) => [!section.hidden, section.querySelectorAll("figure:not([hidden])").length]),
        count: document.querySelector("header output").textContent};
"""


def check_search(driver, lines, queries):
    for typed in queries:
        type_search(driver, typed)
        expected = [typed.lower() in line["name"].lower() or typed.lower() in line["pix"].lower() for line in lines]
        shown = driver.execute_script(SHOWN)
        check(shown["figures"] == expected, f"typed {typed!r}: figures shown {shown['figures']}, not {expected}")
        check(all(visible == (count > 0) for visible, count in shown["sections"]),
              f"typed {typed!r}: sections shown {shown['sections']}")
        check(shown["count"] == f"{sum(expected)} of {len(lines)} textures shown",
              f"typed {typed!r}: the count says {shown['count']!r}")
    type_search(driver, "")


def check_page(driver, destination, title, lines, png, queries):
    driver.get("file://" + urllib.parse.quote(os.path.join(destination, "index.html")))
    check(driver.title == "Textures of " + title, f"the title is {driver.title!r}")
    check_figures(driver, destination, lines, png)
    check_search(driver, lines, queries)
    totals = driver.execute_script('return document.querySelector("header li").textContent')
    check(totals == f"Textures extracted: {len(lines)}", f"the totals begin {totals!r}")
    # Nothing a name holds ran or became an element.
    check(driver.title == "Textures of " + title, f"the title became {driver.title!r}")
    elements = driver.execute_script('return [document.scripts.length, document.querySelectorAll("img:not(main figure a > img)").length]')
    check(elements == [1, 0], f"[scripts, images outside figures] is {elements}")
    severe = [entry for entry in driver.get_log("browser") if entry["level"] == "SEVERE"]
    check(not severe, f"the browser reported {severe}")
    # A click on a picture opens its file.
    from selenium.webdriver.common.by import By
    page_url = driver.current_url
    driver.find_element(By.CSS_SELECTOR, "main figure a").click()
    opened = urllib.parse.unquote_to_bytes(urllib.parse.urlsplit(driver.current_url).path)
    check(opened.endswith(b"/" + lines[0]["file"]), f"a click on the first picture opened {driver.current_url}")
    driver.get(page_url)


def check_policy_in_force(driver, destination):
    """Markup that would slip past the escaping still runs nothing."""
    page = open(os.path.join(destination, "index.html"), "rb").read()
    injected = page.replace(b"<main>\n", b"<main>\n<script>document.title='x'</script>"
                                         b"<img src=x onerror=\"document.title='x'\">", 1)
    path = os.path.join(destination, "injected.html")
    with open(path, "wb") as file:
        file.write(injected)
    driver.get("file://" + urllib.parse.quote(path))
    check(driver.title != "x", "a script placed in the page ran")
    count = driver.execute_script('return document.querySelector("header output").textContent')
    check(count.endswith(" textures shown"), "the page's own script did not run")
    driver.get_log("browser")  # the policy's refusals, expected here


def start_browser(profile):
    try:
        from selenium import webdriver
        from selenium.webdriver.chrome.service import Service
    except ImportError:
        skip("python3-selenium is not installed")
    for program in (CHROMIUM, CHROMEDRIVER):
        if not os.access(program, os.X_OK):
            skip(f"{program} is not installed")
    options = webdriver.ChromeOptions()
    options.binary_location = CHROMIUM
    for flag in ("--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                 "--disable-background-networking", "--disable-component-update", "--disable-sync",
                 "--window-size=1280,900", "--user-data-dir=" + profile):
        options.add_argument(flag)
    options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
    return webdriver.Chrome(service=Service(CHROMEDRIVER), options=options)


def main():
    velmire, write_pix, samples = sys.argv[1:4]
    work = tempfile.mkdtemp(prefix="velmire-browser-")
    try:
        hostile = os.path.join(work, "hostile source")
        for relative, names in HOSTILE_FILES.items():
            path = os.path.join(os.fsencode(hostile), relative)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            subprocess.run([os.fsencode(write_pix), path, *names], check=True)
        bare = ["-file", "-noenum", "-nopixpackname", "-extoriginal"]
        demo_queries = ["track", "SUN", "pix", "nothing like it", "cars"]
        hostile_queries = ["<script>", "%", "HOSTILE", "\ufffd", "deeper?"]
        runs = [(samples, ["-racepal", "-r", "-html"], demo_queries),
                (samples, ["-racepal", "-r", "-html", "-png"], demo_queries),
                (hostile, ["-menupal", "-r", "-html"], hostile_queries),
                (hostile, ["-menupal", "-r", "-html", "-png"], hostile_queries),
                (hostile, ["-menupal", "-r", "-html", "-png", *bare], hostile_queries)]
        pages = []
        for number, (source, options, queries) in enumerate(runs):
            destination = os.path.join(work, f"out {number} #?")
            lines = run_velmire(velmire, source, destination, options)
            check_policy(open(os.path.join(destination, "index.html"), "rb").read())
            pages.append((destination, source, lines, "-png" in options, queries))

        profile = os.path.join(work, "profile")
        driver = start_browser(profile)
        try:
            for destination, source, lines, png, queries in pages:
                print(f"{source} -> {destination}: {len(lines)} figures")
                check_page(driver, destination, source, lines, png, queries)
            check_policy_in_force(driver, pages[3][0])
        finally:
            driver.quit()
    except Failure as failure:
        print(f"FAILED: {failure}")
        return 1
    finally:
        shutil.rmtree(work, ignore_errors=True)
    print("the pages passed in", CHROMIUM)
    return 0


if __name__ == "__main__":
    sys.exit(main())
