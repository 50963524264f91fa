// The page's fixed parts: its style sheet, its script, and the
// Content-Security-Policy that lets only those two apply, by their SHA-256
// hashes, and images load only from the page's own place. The policy is a
// second wall behind the escaping of every name: should markup ever slip
// through, no script of its own runs and nothing is fetched from elsewhere.
#pragma once

#include <string_view>

extern const std::string_view kPageStyle;
extern const std::string_view kPageScript;
// Its two hashes are those of the texts above: tests/html/browser_test.py
// checks them (and prints the right ones), and the browser enforces them.
extern const std::string_view kPagePolicy;
