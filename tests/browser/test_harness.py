"""The browser the report's tests stand on: if it cannot see what a page logs or load a file, every
other browser test would pass for the wrong reason."""

from conftest import console_problems, keep_screenshot, open_page


def test_the_console_reports_a_script_error_and_a_blocked_network_load(browser, tmp_path):
    page = tmp_path / "faulty.html"
    page.write_text("<!DOCTYPE html><html><head><title>t</title>"
                    "<script src=\"https://example.invalid/lib.js\"></script></head>"
                    "<body><p id=\"here\">here</p><script>undefinedFunction();</script></body></html>")
    open_page(browser, page)
    assert browser.find_element("id", "here").text == "here"
    problems = " ".join(entry["message"] for entry in console_problems(browser))
    assert "undefinedFunction" in problems
    assert "example.invalid" in problems


def test_a_clean_page_logs_nothing_and_its_screenshot_is_kept(browser, tmp_path):
    page = tmp_path / "clean.html"
    page.write_text("<!DOCTYPE html><html><head><title>t</title></head><body><p>fine</p></body></html>")
    open_page(browser, page)
    assert console_problems(browser) == []
    assert keep_screenshot(browser, "harness-clean").stat().st_size > 0
