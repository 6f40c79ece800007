#!/usr/bin/env python3
"""Builds the K7 manual: one HTML page per Markdown chapter, an index page with
the whole table of contents, and the images, into one folder.

    build-manual.py CMARK_GFM SOURCE_DIR OUT_DIR

Chapters are the files NN-name.md in SOURCE_DIR, in the order of their
numbers; each becomes name.html. A heading may name its own anchor with a
trailing {#id} (the program opens the manual at some of them); any other
heading gets one made from its words. The pages are XHTML-compatible, so
that an XML parser reads them, and the program's own viewer shows them.
"""
import html
import os
import re
import shutil
import subprocess
import sys

HEADING = re.compile(r'<h([1-6])>(.*?)</h\1>', re.S)
EXPLICIT_ID = re.compile(r'\s*\{#([A-Za-z][\w-]*)\}\s*$')
TAG = re.compile(r'<[^>]+>')


def slug(text, taken):
    base = re.sub(r'[^a-z0-9]+', '-', html.unescape(TAG.sub('', text)).lower()).strip('-') or 'section'
    name, n = base, 2
    while name in taken:
        name, n = f'{base}-{n}', n + 1
    return name


class Chapter:
    def __init__(self, source):
        self.source = source
        self.page = re.sub(r'^\d+-', '', os.path.basename(source))[:-3] + '.html'
        self.title = ''
        self.sections = []  # (level, id, title html)
        self.body = ''

    def convert(self, cmark):
        out = subprocess.run([cmark, '--extension', 'table', self.source], check=True,
                             capture_output=True, text=True, encoding='utf-8').stdout
        taken = set()

        def named(match):
            level, inner = int(match.group(1)), match.group(2)
            explicit = EXPLICIT_ID.search(inner)
            if explicit:
                inner = inner[:explicit.start()]
                ident = explicit.group(1)
                if ident in taken:
                    sys.exit(f'{self.source}: anchor {ident} used twice')
            else:
                ident = slug(inner, taken)
            taken.add(ident)
            if level == 1 and not self.title:
                self.title = inner
            elif level in (2, 3):
                self.sections.append((level, ident, inner))
            return f'<h{level} id="{ident}">{inner}</h{level}>'

        self.body = HEADING.sub(named, out)
        if not self.title:
            sys.exit(f'{self.source}: the chapter has no "# " title')


def section_list(chapter, link_page):
    prefix = chapter.page if link_page else ''
    items, open_sub = [], False
    for level, ident, title in chapter.sections:
        if level == 3 and not open_sub:
            items.append('<ul>')
            open_sub = True
        elif level == 2 and open_sub:
            items.append('</ul></li>')
            open_sub = False
        elif level == 2 and items:
            items.append('</li>')
        items.append(f'<li><a href="{prefix}#{ident}">{title}</a>')
        if level == 3:
            items.append('</li>')
    if open_sub:
        items.append('</ul>')
    if items:
        items.append('</li>')
    return '<ul>' + ''.join(items) + '</ul>' if items else ''


def page(template, title, nav, body):
    return (template.replace('{{title}}', TAG.sub('', title))
            .replace('{{nav}}', nav).replace('{{body}}', body))


def navigation(chapters, at):
    links = ['<a href="index.html">Contents</a>']
    if at > 0:
        links.append(f'<a href="{chapters[at - 1].page}">Previous: {chapters[at - 1].title}</a>')
    if at + 1 < len(chapters):
        links.append(f'<a href="{chapters[at + 1].page}">Next: {chapters[at + 1].title}</a>')
    return ' | '.join(links)


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    cmark, source, out = sys.argv[1:]
    with open(os.path.join(source, 'template.html'), encoding='utf-8') as f:
        template = f.read()
    names = sorted(n for n in os.listdir(source) if re.match(r'^\d+-.*\.md$', n))
    chapters = [Chapter(os.path.join(source, n)) for n in names]
    for chapter in chapters:
        chapter.convert(cmark)

    os.makedirs(out, exist_ok=True)
    for at, chapter in enumerate(chapters):
        body = chapter.body
        toc = section_list(chapter, False)
        if toc:
            # The chapter's own contents go right below its title.
            body = re.sub(r'(</h1>\n)', r'\1<nav class="sections">' + toc.replace('\\', '\\\\') + '</nav>\n',
                          body, count=1)
        with open(os.path.join(out, chapter.page), 'w', encoding='utf-8') as f:
            f.write(page(template, chapter.title + ' - K7 manual', navigation(chapters, at), body))

    contents = ['<h1 id="contents">The K7 manual</h1>', '<ol class="contents">']
    for chapter in chapters:
        contents.append(f'<li><a href="{chapter.page}">{chapter.title}</a>{section_list(chapter, True)}</li>')
    contents.append('</ol>')
    with open(os.path.join(out, 'index.html'), 'w', encoding='utf-8') as f:
        f.write(page(template, 'The K7 manual', '', '\n'.join(contents) + '\n'))

    images = os.path.join(source, 'images')
    target = os.path.join(out, 'images')
    shutil.rmtree(target, ignore_errors=True)
    shutil.copytree(images, target, ignore=shutil.ignore_patterns('.*'))


if __name__ == '__main__':
    main()
