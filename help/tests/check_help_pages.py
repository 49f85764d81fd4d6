#!/usr/bin/env python3
"""Checks the built help folder against the help topics the sources name.

Every quoted page name ("05a_general_options.htm", "index.html") in the
programs' C++ sources (tests excluded) must have its page in the help folder,
and every link and image of every page there must lead to a file that exists.
With --self-test it first proves on a made-up tree that a missing page and a
broken link are both found.
"""

import argparse
import html.parser
import os
import re
import sys
import tempfile
import urllib.parse

TOPIC = re.compile(r'"([A-Za-z0-9_.-]+\.html?)"')
SOURCE_SUFFIXES = (".cpp", ".h")
SKIPPED_FOLDERS = {"tests", "testsupport", "sim", "bench", ".git"}


def named_topics(source_root):
    """Maps every topic the sources name to the first file naming it."""
    topics = {}
    for folder, subfolders, files in os.walk(source_root):
        subfolders[:] = sorted(d for d in subfolders
                               if d not in SKIPPED_FOLDERS and not d.startswith("build"))
        for name in sorted(files):
            if not name.endswith(SOURCE_SUFFIXES):
                continue
            path = os.path.join(folder, name)
            with open(path, encoding="utf-8", errors="replace") as source:
                for topic in TOPIC.findall(source.read()):
                    topics.setdefault(topic, os.path.relpath(path, source_root))
    return topics


class LinkCollector(html.parser.HTMLParser):
    def __init__(self):
        super().__init__()
        self.links = []

    def handle_starttag(self, tag, attrs):
        for key, value in attrs:
            if key in ("href", "src") and value is not None:
                self.links.append(value)


def broken_links(help_dir):
    """Yields (page, link) for each link that leads to no file in the folder."""
    for page in sorted(os.listdir(help_dir)):
        if not page.endswith((".htm", ".html")):
            continue
        collector = LinkCollector()
        with open(os.path.join(help_dir, page), encoding="utf-8") as text:
            collector.feed(text.read())
        for link in collector.links:
            parts = urllib.parse.urlsplit(link)
            if parts.scheme or parts.netloc or not parts.path:
                continue  # outside the help folder, or a place on the same page
            target = os.path.normpath(os.path.join(help_dir, urllib.parse.unquote(parts.path)))
            if not os.path.isfile(target):
                yield page, link


def problems(source_root, help_dir):
    found = []
    if not os.path.isdir(help_dir):
        return ["no help folder at " + help_dir]
    for topic, source in sorted(named_topics(source_root).items()):
        if not os.path.isfile(os.path.join(help_dir, topic)):
            found.append("topic %s (named in %s) has no page" % (topic, source))
    for page, link in broken_links(help_dir):
        found.append("page %s links to missing %s" % (page, link))
    return found


def self_test():
    with tempfile.TemporaryDirectory() as root:
        os.makedirs(os.path.join(root, "app", "tests"))
        os.makedirs(os.path.join(root, "help"))
        with open(os.path.join(root, "app", "Dlg.cpp"), "w") as f:
            f.write('const char* a = "here.htm";\nconst char* b = "absent.htm";\n')
        with open(os.path.join(root, "app", "tests", "DlgTest.cpp"), "w") as f:
            f.write('help("only_in_a_test.htm");\n')
        with open(os.path.join(root, "help", "here.htm"), "w") as f:
            f.write('<a href="here.htm#top">ok</a> <a href="http://example.invalid/x.htm">out</a>'
                    '<a href="gone.htm">broken</a>')
        found = problems(root, os.path.join(root, "help"))
        expected = ["topic absent.htm (named in app/Dlg.cpp) has no page",
                    "page here.htm links to missing gone.htm"]
        if found != expected:
            print("self-test failed: %r" % found)
            return False
    return True


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--sources", required=True, help="the source tree's root")
    parser.add_argument("--help-dir", required=True, help="the built help folder")
    parser.add_argument("--self-test", action="store_true")
    args = parser.parse_args()
    if args.self_test and not self_test():
        return 1
    topics = named_topics(args.sources)
    if not topics:
        print("no help topics found below " + args.sources)
        return 1
    found = problems(args.sources, args.help_dir)
    for problem in found:
        print(problem)
    print("%d topics, %d problems" % (len(topics), len(found)))
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
