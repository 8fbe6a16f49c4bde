#!/usr/bin/python3
"""The gallery in a real headless browser.

Renders the gallery small and short, opens it in headless Chromium through
its WebDriver and checks what a reader meets: no console errors, every
picture and preview loads, the filter box filters, no card shows an error,
and no card is byte for byte its input unless its preset is an identity by
design.

usage: gallery_browser_test.py QUENVARA PLUGIN
"""
import shutil
import subprocess
import sys
import tempfile
import time
from pathlib import Path

SKIP = 77  # ctest's SKIP_RETURN_CODE: the browser is not installed
SIZE = "160x90"
FRAMES = "5"  # the strip's five pictures make the whole preview
LOAD_TIMEOUT_S = 60


def fail(message):
    print(f"FAILED: {message}")
    sys.exit(1)


def open_browser():
    try:
        from selenium import webdriver
        from selenium.webdriver.chrome.service import Service
    except ImportError:
        print("SKIPPED: python3-selenium is not installed (scripts/setup.sh installs it)")
        sys.exit(SKIP)
    driver_path = shutil.which("chromedriver")
    if driver_path is None:
        print("SKIPPED: chromedriver is not installed (scripts/setup.sh installs chromium-driver)")
        sys.exit(SKIP)
    options = webdriver.ChromeOptions()
    for argument in ("--headless=new", "--no-sandbox", "--disable-gpu",
                     "--disable-dev-shm-usage", "--allow-file-access-from-files"):
        options.add_argument(argument)
    options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
    return webdriver.Chrome(service=Service(driver_path), options=options)


def wait_for_pictures(browser):
    """Waits until every picture has finished loading; returns those that failed."""
    deadline = time.monotonic() + LOAD_TIMEOUT_S
    while True:
        pending, broken = browser.execute_script("""
            const images = [...document.images].filter(image => image.getAttribute('src'));
            return [images.filter(image => !image.complete).length,
                    images.filter(image => image.complete && image.naturalWidth === 0)
                          .map(image => image.getAttribute('src'))];""")
        if pending == 0 or time.monotonic() > deadline:
            return pending, broken
        time.sleep(0.2)


def visible_cards(browser):
    return browser.execute_script(
        "return [...document.querySelectorAll('.card')]"
        ".filter(card => card.offsetParent !== null).map(card => card.id);")


def check_filter(browser):
    from selenium.webdriver.common.by import By
    total = len(visible_cards(browser))
    box = browser.find_element(By.ID, "filter")
    box.send_keys("bokeh")
    shown = visible_cards(browser)
    if not shown or len(shown) >= total:
        fail(f"the filter 'bokeh' shows {len(shown)} of {total} cards")
    if any("BokehBlur" not in card for card in shown):
        fail(f"the filter 'bokeh' shows other cards: {shown}")
    box.clear()
    box.send_keys(" ")  # clear() sends no input event; a blank filters nothing
    if len(visible_cards(browser)) != total:
        fail("clearing the filter does not show every card again")


def main():
    quenvara, plugin = sys.argv[1], sys.argv[2]
    with tempfile.TemporaryDirectory() as work:
        out = Path(work) / "gallery"
        started = time.monotonic()
        subprocess.run([quenvara, "gallery", "--out", str(out), "--size", SIZE, "--frames", FRAMES,
                        "--plugin", plugin], check=True, stderr=subprocess.DEVNULL)
        print(f"gallery rendered in {time.monotonic() - started:.0f} s")
        browser = open_browser()
        try:
            browser.get((out / "index.html").as_uri())
            pending, broken = wait_for_pictures(browser)
            if pending:
                fail(f"{pending} pictures still loading after {LOAD_TIMEOUT_S} s")
            if broken:
                fail(f"pictures that do not load: {broken[:10]}")
            cards = browser.execute_script("return document.querySelectorAll('.card').length;")
            if cards < 100:
                fail(f"only {cards} cards")
            errors = browser.execute_script(
                "return [...document.querySelectorAll('.card')]"
                ".filter(card => card.querySelector('.error')).map(card => card.id);")
            if errors:
                fail(f"cards showing an error: {errors}")
            unchanged = browser.execute_script(
                "return [...document.querySelectorAll("
                "'.card[data-unchanged=\"1\"]:not([data-identity=\"1\"])')].map(card => card.id);")
            if unchanged:
                fail(f"cards identical to their input: {unchanged}")
            check_filter(browser)
            console = [entry for entry in browser.get_log("browser")
                       if entry["level"] in ("SEVERE", "ERROR")]
            if console:
                fail(f"console errors: {console[:5]}")
        finally:
            browser.quit()
        print(f"gallery in the browser: {cards} cards passed")


if __name__ == "__main__":
    main()
