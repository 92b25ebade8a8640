"""Headless Chromium driven through chromedriver, as the browser tests and
benchmarks start it: a fresh profile, nothing fetched from outside, the
driver stopped with the script even when that is killed outright."""
import ctypes
import shutil
import signal
import tempfile

CHROMIUM = "/usr/bin/chromium"
CHROMEDRIVER = "/usr/bin/chromedriver"


def _die_with_parent():
    ctypes.CDLL("libc.so.6", use_errno=True).prctl(1, signal.SIGTERM)  # PR_SET_PDEATHSIG


def start_chromium(width, height, extra_flags=(), script_timeout=30):
    """The driver of a new headless Chromium with a window of width x height;
    extra_flags add to the common ones. stop_chromium ends it."""
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    profile = tempfile.mkdtemp(prefix="tavrix-chromium-")
    options = webdriver.ChromeOptions()
    options.binary_location = CHROMIUM
    for flag in ["--headless=new", "--no-sandbox", "--disable-dev-shm-usage", "--disable-background-networking",
                 "--disable-component-update", "--disable-sync", "--no-first-run", "--disable-quic",
                 "--autoplay-policy=no-user-gesture-required", "--user-data-dir=" + profile,
                 "--window-size=%d,%d" % (width, height), *extra_flags]:
        options.add_argument(flag)
    try:
        driver = webdriver.Chrome(service=Service(CHROMEDRIVER, popen_kw={"preexec_fn": _die_with_parent}),
                                  options=options)
    except BaseException:
        shutil.rmtree(profile, ignore_errors=True)
        raise
    driver.set_script_timeout(script_timeout)
    driver.tavrix_profile = profile
    return driver


def stop_chromium(driver):
    if driver is None:
        return
    try:
        driver.quit()
    finally:
        shutil.rmtree(driver.tavrix_profile, ignore_errors=True)
