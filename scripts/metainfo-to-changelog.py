#!/usr/bin/env python3
"""Writes the Debian changelog (gzip-compressed) from the releases of the
AppStream metainfo file, so that each release is written down once.

usage: metainfo-to-changelog.py METAINFO PACKAGE MAINTAINER OUT.gz
"""
import datetime
import email.utils
import gzip
import sys
import textwrap
import xml.etree.ElementTree as ElementTree


def plain(element):
    return ' '.join(''.join(element.itertext()).split())


def notes(release):
    """The release's paragraphs and list items, one note each."""
    found = []
    description = release.find('description')
    for element in description if description is not None else []:
        if element.tag == 'p':
            found.append(plain(element))
        elif element.tag in ('ul', 'ol'):
            found += [plain(item) for item in element]
    return found or ['Release %s.' % release.get('version')]


def entry(package, maintainer, release):
    day = datetime.date.fromisoformat(release.get('date'))
    when = datetime.datetime(day.year, day.month, day.day, tzinfo=datetime.timezone.utc)
    lines = ['%s (%s) unstable; urgency=medium' % (package, release.get('version')), '']
    for note in notes(release):
        lines += textwrap.wrap(note, 78, initial_indent='  * ', subsequent_indent='    ')
    lines += ['', ' -- %s  %s' % (maintainer, email.utils.format_datetime(when)), '']
    return '\n'.join(lines)


def main():
    if len(sys.argv) != 5:
        sys.exit(__doc__.strip().splitlines()[-1])
    metainfo, package, maintainer, out = sys.argv[1:]
    releases = ElementTree.parse(metainfo).getroot().iter('release')
    text = '\n'.join(entry(package, maintainer, release) for release in releases)
    # No name and no time in the gzip header, as gzip -n writes it.
    with open(out, 'wb') as raw, gzip.GzipFile('', 'wb', 9, raw, mtime=0) as packed:
        packed.write(text.encode('utf-8'))


if __name__ == '__main__':
    main()
