"""Inputs meant to break the tool: huge lists, format directives, odd bytes,
device names, entries that exist but cannot be used, over-long paths."""

import os
import random
import shutil

import expect as E
from expect import DIR, FILE, MISSING
from harness import Raw, Skip, case

G = 'hostile'
CP, PATH, LIB = b'CLASSPATH', b'PATH', b'LIB'
MAX_VALUE = 32767


_walk = E.listed


# ---------------------------------------------------------------------------
# Size

def _huge_value(rng, pool, length):
    """A list value of exactly `length` bytes: mostly fresh missing names,
    with repeats in other letter cases, empty and quoted segments, and the
    entries of `pool` (which exist) mixed in."""
    parts = []
    used = []
    size = -1
    k = 0
    while size < length - 40:
        r = rng.random()
        if r < 0.55:
            k += 1
            tok = b'n%d' % k
            used.append(tok)
        elif r < 0.70 and used:
            tok = bytes(c ^ 0x20 if rng.random() < 0.5 and 0x61 <= (c | 0x20)
                        <= 0x7A else c for c in rng.choice(used))
        elif r < 0.85:
            tok = rng.choice(pool)
        elif r < 0.90:
            tok = b''
        elif r < 0.95:
            k += 1
            tok = b'"q%d"' % k
        else:
            tok = b'.'
        parts.append(tok)
        size += len(tok) + 1
    last = length - (size + 1)
    parts.append(b'end' + b'e' * (last - 3))
    value = b';'.join(parts)
    assert len(value) == length
    return value


@case(G)
def lists_of_32767_characters(t):
    t.mkfile('start/f.jar')
    t.mkfile('start/ZANTH.CORE.JAR')
    t.mkfile('start/eskero.zip')
    t.mkdir('start/sub')
    t.mkdir('start/java/lib')
    absolute = t.win('start/f.jar')
    files = {b'F.JAR', b'ZANTH.CORE.JAR', b'ESKERO.ZIP', E.upper(absolute)}
    dirs = {b'SUB', b'..', b'JAVA\\LIB', E.upper(t.win('start'))}

    def status(text):
        # Wine looks names up without regard to case.
        key = E.upper(text)
        return FILE if key in files else DIR if key in dirs else MISSING

    rng = random.Random(20260)
    cp = _huge_value(rng, [b'f.jar', b'F.Jar', b'ZANTH.CORE.JAR', b'eskero.zip',
                           b'sub', b'..', absolute, b'"sub"'], MAX_VALUE)
    path = _huge_value(rng, [b'java\\lib', b'sub', b'..', b'f.jar',
                             t.win('start')], MAX_VALUE)
    lib = _huge_value(rng, [b'f.jar', b'SUB', b'..'], MAX_VALUE)
    expected = E.report(E.walk(CP, cp, status_of=status),
                        E.walk(PATH, path, status_of=status),
                        E.walk(LIB, lib, status_of=status),
                        E.required([b'ZANTH.CORE.JAR', b'ESKERO.ZIP'],
                                   True, True))
    assert expected.count(b'\r\n') > 9000
    t.run(['-p', '-l', '-j'], env={'CLASSPATH': cp, 'PATH': path, 'LIB': lib},
          cwd='start', via_pipe=True, expect=expected)


@case(G)
def separators_only_32767(t):
    value = b';' * MAX_VALUE
    t.run(['-p'], env={'CLASSPATH': value, 'PATH': b'";' * 16383 + b'"'},
          expect=E.report(E.long_warning() + E.totals(CP, MAX_VALUE, 0, 0,
                                                      MAX_VALUE),
                          E.totals(PATH, 16384, 0, 0, MAX_VALUE)))


@case(G)
def quote_and_separator_only_values(t):
    t.run(['-p', '-l'], env={'CLASSPATH': b'""""""', 'PATH': b';;;;',
                             'LIB': b';";";'},
          expect=E.report(E.totals(CP, 1, 0, 0, 6), E.totals(PATH, 4, 0, 0, 4),
                          E.totals(LIB, 3, 0, 0, 5)))


@case(G)
def many_and_long_arguments(t):
    f = t.mkfile('f.jar')
    # The scan chains over every second dash: 4999 dashes put 'l' behind a
    # marker, 5000 put it behind a letter.
    args = ([b'junk%d' % i for i in range(1500)] + [b'-p']
            + [b'-' * 4999 + b'l', b'-' * 5000 + b'j', b'/j' * 3000])
    t.run(args, env={'CLASSPATH': f, 'PATH': f, 'LIB': f},
          expect=E.report(E.line(FILE, f) + E.totals(CP, 1, 0, 0, len(f)),
                          E.line(FILE, f) + E.totals(PATH, 1, 0, 0, len(f)),
                          E.line(FILE, f) + E.totals(LIB, 1, 0, 0, len(f))))


@case(G)
def wildcard_arguments_not_expanded(t):
    # Were arguments expanded like file patterns, '*' would turn into the
    # names below and '-?' into '-x'.
    for name in ('-p', '-l', '-x'):
        t.mkfile('start/' + name)
    t.run(['*', '-[lp]', '*j'], env={'CLASSPATH': '.'}, cwd='start',
          expect=E.report(E.line(DIR, b'.') + E.totals(CP, 1, 0, 0, 1)))
    t.run(['-?'], env={'CLASSPATH': '.'}, cwd='start',
          expect=E.usage(t.argv0()))


# ---------------------------------------------------------------------------
# Format directives

@case(G)
def format_directives_in_entries(t):
    d = t.mkdir('%n%n%n%n')
    f = t.mkfile('%s%s%s/%d%x.jar')
    entries = [(b'%s%n%d%x%p%%', MISSING, 0), (d, DIR, 0), (f, FILE, 0),
               (b'%999999999d', MISSING, 0), (b'%S%N', MISSING, 0),
               (b'%S%N%D%X%P%%', MISSING, 1)]
    value, out = _walk(CP, entries)
    _, out_path = _walk(PATH, entries)
    _, out_lib = _walk(LIB, entries)
    t.run(['-p%n', '-l%s'], env={'CLASSPATH': value, 'PATH': value,
                                 'LIB': value},
          expect=E.report(out, out_path, out_lib))


@case(G)
def format_directives_in_program_name(t):
    # The usage line prints the program's name; it must stay text.
    folder = t.mkdir('%s%n%d%x')
    exe = os.path.join(t.unix('%s%n%d%x'), 'cpvalid.exe')
    shutil.copyfile(t.exe, exe)
    t.exe = exe
    t.run(['-?'], expect=E.usage(folder + b'\\cpvalid.exe'))


# ---------------------------------------------------------------------------
# Bytes from 0x80 up

ALL_HIGH = bytes(range(0x80, 0x100))


@case(G)
def high_bytes_pass_through_unchanged(t):
    t.mkdir(b'start/caf\xe9')
    # Only a-z are folded: e-acute and E-acute, s-caron and S-caron,
    # y-diaeresis and Y-diaeresis stay different. Wine itself finds the
    # directory under either spelling.
    value, out = _walk(CP, [
        (ALL_HIGH, MISSING, 0),
        (b'caf\xe9', DIR, 0),
        (b'CAF\xe9', DIR, 1),
        (b'CAF\xc9', DIR, 0),
        (b'x\x9a\xff', MISSING, 0),
        (b'x\x8a\x9f', MISSING, 0),
        (b'X\x9a\xff', MISSING, 1),
        (ALL_HIGH.lower(), MISSING, 1)])
    path, out_path = _walk(PATH, [(b'caf\xe9', DIR, 0), (ALL_HIGH, MISSING, 0)])
    lib, out_lib = _walk(LIB, [(ALL_HIGH[::-1], MISSING, 0)])
    t.run(['-p', '-l'], env={'CLASSPATH': value, 'PATH': path, 'LIB': lib},
          cwd='start', expect=E.report(out, out_path, out_lib))


@case(G)
def bytes_that_are_not_utf8(t):
    # Wine hands over a '?' for every byte that is not UTF-8; the tool
    # prints what it was given. '?' is a wildcard, which must not match.
    t.mkfile('start/a1b')
    t.run([], env={'CLASSPATH': Raw(b'a\xffb;a\xc3b;a\x80\x80b')}, cwd='start',
          expect=E.report(E.line(MISSING, b'a?b') + E.line(MISSING, b'a?b', 1)
                          + E.line(MISSING, b'a??b')
                          + E.totals(CP, 3, 3, 1, 12)))


# ---------------------------------------------------------------------------
# Names the system treats specially

@case(G)
def device_names(t):
    # Under Wine NUL (in any spelling that names the device) opens for
    # reading, so it is a file; CON does not open without a console and
    # cannot be entered.
    t.mkdir('start')
    nul_in_tree = t.win('start/NUL')
    value, out = _walk(CP, [
        (b'NUL', FILE, 0), (b'nul', FILE, 1), (b'NUL:', FILE, 0),
        (b'C:\\NUL', FILE, 0), (b'\\\\.\\NUL', FILE, 0), (nul_in_tree, FILE, 0),
        (b'nul.txt', FILE, 0), (b'CON', MISSING, 0), (b'con', MISSING, 1),
        (b'CON:', MISSING, 0), (b'CONIN$', MISSING, 0)])
    path, out_path = _walk(PATH, [(b'NUL', FILE, 0), (b'CON', MISSING, 0)])
    lib, out_lib = _walk(LIB, [(b'CON', MISSING, 0), (b'NUL', FILE, 0)])
    t.run(['-p', '-l'], env={'CLASSPATH': value, 'PATH': path, 'LIB': lib},
          cwd='start', expect=E.report(out, out_path, out_lib))


@case(G)
def wildcards_blanks_and_odd_paths(t):
    t.mkfile('start/f.jar')
    t.mkdir('start/sub')
    start = t.win('start')
    value, out = _walk(CP, [
        (b'f*.jar', MISSING, 0), (b'f?jar', MISSING, 0), (b'*.*', MISSING, 0),
        (b's*', MISSING, 0),
        (b'f.jar ', FILE, 0),           # Wine drops the trailing blank
        (b'sub ', DIR, 0),
        (b'f.jar', FILE, 0),            # no duplicate of 'f.jar '
        (b'   ', MISSING, 0),
        (b'f.jar\\', MISSING, 0),       # a file is no directory
        (b'\\\\.\\' + start + b'\\f.jar', FILE, 0),
        (b'\\\\.\\' + start + b'\\sub', DIR, 0),
        (b'sub', DIR, 0)])
    t.run([], env={'CLASSPATH': value}, cwd='start',
          expect=E.report(out))


@case(G)
def extended_length_prefix(t):
    t.mkfile('start/f.jar')
    t.mkdir('start/sub')
    p = b'\\\\?\\' + t.win('start')
    value, out = _walk(CP, [
        (p + b'\\f.jar', FILE, 0), (p + b'\\sub', DIR, 0),
        (p.lower() + b'\\SUB', DIR, 1),
        (p + b'\\none', MISSING, 0),
        # No '..' folding behind the prefix.
        (p + b'\\sub\\..\\sub', MISSING, 0),
        (b'f.jar', FILE, 0), (b'sub', DIR, 0)])
    t.run([], env={'CLASSPATH': value}, cwd='start', expect=E.report(out))


# ---------------------------------------------------------------------------
# Entries that exist but cannot be used

@case(G)
def file_that_cannot_be_opened(t):
    if not t.session.file_lock_works:
        raise Skip('a mode-000 file can be read in this session (%s): set it '
                   'up as a non-root user, or as root with setpriv'
                   % t.session.lock_note)
    locked = t.mkfile('jars/zanth.core.jar', mode=0)
    other = t.mkfile('jars/locked.jar', mode=0)
    value, out = _walk(CP, [(locked, MISSING, 0), (other, MISSING, 0),
                            (t.win('jars'), DIR, 0)])
    t.run(['-j'], env={'CLASSPATH': value},
          expect=E.report(out, required=E.required()))


@case(G)
def directory_that_cannot_be_entered(t):
    if not t.session.dir_lock_works:
        raise Skip('a mode-000 directory can be entered in this session '
                   '(%s): set it up as a non-root user, or as root with '
                   'setpriv' % t.session.lock_note)
    t.mkfile('start/f.jar')
    t.mkfile('locked/java/lib/x.jar')
    locked = t.win('locked')
    os.chmod(t.unix('locked'), 0)
    entries = [(locked, MISSING, 0), (locked + b'\\java\\lib', MISSING, 0),
               (b'f.jar', FILE, 0)]
    value, out_cp = _walk(CP, entries)
    _, out_path = _walk(PATH, entries)
    t.run(['-p', '-j'], env={'CLASSPATH': value, 'PATH': value},
          cwd='start',
          expect=E.report(out_cp, out_path,
                          required=E.required((), True, False)))


def _deep(t, top, length):
    """Makes a directory under `top` whose Windows name has exactly
    `length` characters; returns (Windows name, tree-relative name)."""
    rel = top
    total = len(t.win(top))
    while total < length:
        step = min(100, length - total - 1)
        rel += '/' + 'd' * step
        total += step + 1
    assert len(t.win(rel)) == length
    return t.mkdir(rel), rel


@case(G)
def directories_at_and_beyond_the_path_limit(t):
    t.mkfile('start/f.jar')
    at_259, _ = _deep(t, 'a', 259)
    at_260, _ = _deep(t, 'b', 260)
    at_300, rel_300 = _deep(t, 'c', 300)
    t.mkfile(rel_300 + '/x.jar')
    # 259 characters can be entered and read back. At 260 Wine enters the
    # directory but cannot tell its name through the ANSI call, so the
    # change does not count as made; the tool must still return to the
    # start directory, as the relative f.jar after it shows. At 300 the
    # change itself fails.
    value, out = _walk(CP, [(at_259, DIR, 0), (b'f.jar', FILE, 0),
                            (at_260, MISSING, 0), (b'f.jar', FILE, 1),
                            (at_300, MISSING, 0), (b'f.jar', FILE, 1),
                            (at_300 + b'\\x.jar', MISSING, 0),
                            (b'.', DIR, 0)])
    t.run([], env={'CLASSPATH': value}, cwd='start', expect=E.report(out))


@case(G)
def start_directory_of_258_characters(t):
    start, rel = _deep(t, 's', 258)
    t.mkfile(rel + '/f.jar')
    t.mkdir(rel + '/x')
    # x under the start directory has a 260-character name: entered but not
    # readable, so not found, and the next relative entry still resolves
    # from the start directory.
    value, out = _walk(CP, [(b'f.jar', FILE, 0), (b'x', MISSING, 0),
                            (b'f.jar', FILE, 1), (b'..', DIR, 0),
                            (b'.', DIR, 0), (start + b'\\f.jar', MISSING, 0)])
    t.run([], env={'CLASSPATH': value}, cwd=rel, expect=E.report(out))


@case(G)
def start_directory_beyond_the_limit(t):
    # Wine cannot start a program in a directory whose name has 259
    # characters or more: it says so on stderr and starts it in C:\windows.
    # The tool then starts there like anywhere else.
    _, rel = _deep(t, 'long', 300)
    t.mkfile(rel + '/f.jar')
    short = t.mkfile('short.jar')
    value, out = _walk(CP, [(b'f.jar', MISSING, 0), (b'system32', DIR, 0),
                            (b'..', DIR, 0), (b'system32', DIR, 1),
                            (short, FILE, 0), (b'.', DIR, 0)])
    t.run([], env={'CLASSPATH': value}, cwd=rel, expect=E.report(out),
          stderr_allowed=b'could not open working directory')
