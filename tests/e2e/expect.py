"""The tool's report, built from its documented formats.

Everything here produces the exact bytes the tool writes: every line ends in
CR LF, texts are ANSI bytes. `walk` models one list walk from the list
rules (splitting, quotes, the 2048-character entry limit, counting,
duplicates); the caller says which entries exist, and as what.
"""

NL = b'\r\n'

BANNER = (b'\r\nClasspath validation tool V1.05 (ZP17)\r\n'
          b'Copyright (c) 2026 The cpvalid authors\r\n')

FILE = 'file'
DIR = 'dir'
MISSING = 'missing'

_LABELS = {FILE: b'Found File ', DIR: b'Found Dir  ', MISSING: b'*Not found*'}

MAX_ENTRY = 2048
CLASSPATH_WARN = 1024

# The thirteen catalogue files, in catalogue order.
CATALOGUE = [b'ZANTH.CORE.JAR', b'ZANTH.BRIDGE.JAR', b'ORVIS.JAR',
             b'NOMIA.JAR', b'BRESK.JAR', b'QUILLET.JAR', b'MURREL.JAR',
             b'WEXLIN.JAR', b'SORREK.JAR', b'TUVAK.JAR', b'KORVOJAVA.ZIP',
             b'LUMBEN.ZIP', b'ESKERO.ZIP']


def upper(data):
    """Upper-cases a-z only; every other byte stays as it is."""
    return bytes(b - 32 if 0x61 <= b <= 0x7A else b for b in data)


def usage(argv0):
    return (BANNER + b'Command usage is:\r\n\r\n'
            b'  ' + argv0 + b' {-p} {-l}\r\n\r\n'
            b'  -j check CLASSPATH for JMS and KORVO files\r\n'
            b'  -p validate PATH\r\n'
            b'  -l validate LIB\r\n')


def line(status, text, dup=False):
    return (_LABELS[status] + b' ' + (b'*DUP*' if dup else b'     ') + b' '
            + text + NL)


def not_defined(name):
    return b'*****' + name + b' environment variable is not defined' + NL


def long_warning():
    return (b'*****CLASSPATH variable is > 1024 characters long' + NL
            + b'     Truncation may occur' + NL)


def totals(name, count, not_found, dups, length):
    if not_found or dups:
        t = b'Total entries = %d (%d not found %d duplicates)' % (
            count, not_found, dups)
    else:
        t = b'Total entries = %d' % count
    return t + NL + b'Total length of %s = %d' % (name, length) + NL


def segments(value):
    """The entries of a list value as the walk takes them: (kept text,
    counted) in order. Quotes are dropped; a segment keeps at most
    MAX_ENTRY characters and the rest of it up to the next ';' is passed
    over; an empty segment after a final ';' is not counted."""
    out = []
    if not value:
        return out
    parts = value.split(b';')
    if parts[-1] == b'' and len(parts) > 1:
        parts = parts[:-1]
    for p in parts:
        out.append(p.replace(b'"', b'')[:MAX_ENTRY])
    return out


def walk(name, value, kinds=None, status_of=None):
    """Expected output of one walk (without its heading).

    value: the variable's bytes, or None when it is not defined.
    kinds: entry text -> FILE/DIR for entries that exist (exact text).
    status_of: alternatively a function entry -> FILE/DIR/MISSING.
    Entries not named are MISSING; '.' is always a directory."""
    if value is None:
        return not_defined(name)
    kinds = kinds or {}
    out = b''
    if name == b'CLASSPATH' and len(value) > CLASSPATH_WARN:
        out += long_warning()
    seen = set()
    count = not_found = dups = 0
    for text in segments(value):
        count += 1
        if not text:
            continue
        key = upper(text)
        dup = key in seen
        seen.add(key)
        if text == b'.':
            st = DIR
        elif status_of is not None:
            st = status_of(text)
        else:
            st = kinds.get(text, MISSING)
        dups += dup
        not_found += st == MISSING
        out += line(st, text, dup)
    return out + totals(name, count, not_found, dups, len(value))


def listed(name, entries):
    """A list made of `entries`, (text, status, duplicate) in order, joined
    with ';'. Returns the value and the expected walk output."""
    value = b';'.join(text for text, _, _ in entries)
    out = long_warning() if name == b'CLASSPATH' and len(value) > 1024 else b''
    out += b''.join(line(s, text, d) for text, s, d in entries)
    not_found = sum(s == MISSING for _, s, _ in entries)
    dups = sum(bool(d) for _, _, d in entries)
    return value, out + totals(name, len(entries), not_found, dups, len(value))


def report(classpath, path=None, lib=None, required=None):
    """A whole run: banner, the CLASSPATH walk, then the PATH and LIB walks
    and the required-file report when given (each already built)."""
    out = BANNER + b'Validating CLASSPATH' + NL + classpath
    if path is not None:
        out += NL + b'Validating PATH' + NL + path
    if lib is not None:
        out += NL + b'Validating LIB' + NL + lib
    if required is not None:
        out += required
    return out


def _missing(section, name):
    return (b'***ERROR*** - %s file (%s) not found in CLASSPATH'
            % (section, name) + NL)


def required(present=(), path_walked=False, jms_dir=False):
    """The JMS and KORVO status report. present: catalogue names whose
    flags are set; jms_dir: a JAVA\\LIB directory was seen on PATH."""
    have = set(present)
    assert have <= set(CATALOGUE), have - set(CATALOGUE)
    out = NL + b'JMS files status' + NL
    clear = True
    for name in CATALOGUE[:6]:
        if name not in have:
            out += _missing(b'JMS', name)
            clear = False
    murrel, sorrek = b'MURREL.JAR' in have, b'SORREK.JAR' in have
    if murrel and sorrek:
        out += (b'JMS classpath configuration supports both file system '
                b'context and ldap' + NL)
    elif murrel:
        out += b'JMS classpath configuration is for file system context' + NL
        clear = False
    elif sorrek:
        out += b'JMS classpath configuration is for ldap' + NL
        clear = False
    else:
        out += (b'Either MURREL.JAR or SORREK.JAR or both is required for JMS'
                + NL)
        clear = False
    if b'WEXLIN.JAR' not in have:
        out += (b'***Warning - WEXLIN.JAR file is required for the latest '
                b'level of RQ64' + NL)
        clear = False
    if b'TUVAK.JAR' not in have:
        out += (b'***Warning - tuvak.jar is missing and is required for '
                b'SARNEX5.3 UPD4' + NL)
        clear = False
    if path_walked and not jms_dir:
        out += b'***** jms directory missing from path (JAVA\\LIB)' + NL
    elif clear:
        out += b'All JMS files found in classpath' + NL
    out += NL + b'KORVO java files status' + NL
    clear = True
    for name in CATALOGUE[10:]:
        if name not in have:
            out += _missing(b'KORVO', name)
            clear = False
    if clear:
        out += b'All KORVO files found in classpath' + NL
    return out
