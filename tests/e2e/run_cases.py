"""run_cases.py PREFIX EXE32 EXE64 FILE.cases...: the cases (see README.md) under Wine, one prefix."""
import difflib, io, os, pathlib, re, shlex, shutil, struct, subprocess, sys, tempfile, warnings, zipfile

WINE32, WINE64, SERVER = '/usr/lib/wine/wine', '/usr/lib/wine/wine64', '/usr/lib/wine/wineserver'
BANNER = '\nClasspath validation tool V1.05 (ZP17)\nCopyright (c) 2026 The cpvalid authors\n'
CAPS = '-dac_override,-dac_read_search'  # as root, permission bits bind only without these
SETPRIV = ['setpriv', '--bounding-set=' + CAPS, '--inh-caps=' + CAPS] if os.geteuid() == 0 else []
RAWCMD = os.path.join(os.path.dirname(os.path.abspath(__file__)), 'rawcmd.c')  # built for the loader at set-up
CC = {WINE32: 'i686-w64-mingw32-gcc', WINE64: 'x86_64-w64-mingw32-gcc'}


def to_unicode(ansi):  # what Wine must be given for the program to get `ansi`; {uNNNN} as it is
    return ''.join(c if c in '\x81\x8d\x8f\x90\x9d' or c > '\xff' else c.encode('latin-1').decode('cp1252') for c in ansi)


def expand(text, tree):
    """@ is the tree; {N*TEXT} is TEXT N times; {xNN} a byte, {xNN-xMM} a range ({x40} an @); {uNNNN} a character."""
    text = text.replace('@', tree)
    text = re.sub(r'\{u([0-9a-f]{4})\}', lambda m: chr(int(m[1], 16)), text)
    text = re.sub(r'\{x(..)(?:-x(..))?\}', lambda m: ''.join(
        map(chr, range(int(m[1], 16), int(m[2] or m[1], 16) + 1))), text)
    return re.sub(r'\{(\d+)\*([^}]+)\}', lambda m: m[2] * int(m[1]), text)


def parse(path):
    cases = []
    # A case file is UTF-8; its text is taken as code page 1252 bytes, one character each.
    for line in open(path, encoding='utf-8').read().encode('cp1252').decode('latin-1').split('\n'):
        case = cases[-1] if cases else None
        if line.startswith('=== '):
            cases.append({'name': line[4:], 'tree': '', 'wow64': '', 'drive_c': '', 'env': [], 'manifest': [], 'args': None,
                          'cmdline': None, 'status': '0', 'cwd': '', 'out': None})
        elif case and case['out'] is not None:  # a line that starts {N*} stands for N lines
            n = re.match(r'\{(\d+)\*\}', line)
            case['out'] += [line[n.end():] if n else line] * (int(n[1]) if n else 1)
        elif line == '---':
            case['out'] = []
        elif line and not line.startswith('#'):
            key, _, value = line.partition(' ')
            case[key] = case[key] + [value.split('=', 1) if key == 'env' else value] if key in ('env', 'manifest') else value
    return cases


def contents(item, name=''):
    """zip:A,B is an archive of members A and B; zip64: the same with ZIP64 end records;
    cut: the same less its last byte; deflate: members compressed; raw: members marked deflated
    that hold their text as it is; stub: 100 bytes in front of the archive; badlocal: its local
    headers' signatures broken; text:TEXT a file holding TEXT."""
    kind, _, text = item.partition(':')
    if kind == 'text':  # a class file in a tree is named after its file alone, unless this= says
        return body(text, os.path.basename(name))
    zipfile.ZIP_FILECOUNT_LIMIT, data = 0 if kind == 'zip64' else 0xFFFF, io.BytesIO()
    with warnings.catch_warnings(), zipfile.ZipFile(data, 'w') as archive:
        warnings.simplefilter('ignore')  # a name twice is wanted
        for member in filter(None, text.split(',')):
            add_member(archive, member, kind)
    data = data.getvalue().replace(b'PK\3\4', b'PK\3\5') if kind == 'badlocal' else data.getvalue()
    return (b'#!/bin/sh\n' * 10 if kind == 'stub' else b'') + data[:-1 if kind == 'cut' else None]


def class_file(text, name):
    """^cMAJOR[.MINOR][+KEY=VALUE...]: a class file named after its path (this=NAME names it
    otherwise), super=S, iface=I (each), flags=0xNN, inner=OUTER:FLAGS (its own InnerClasses
    entry), m=FLAGS:NAME:DESC[:E|E] (each; none given: public static void main(String[]))."""
    version, *keys = text.split('+')
    major, _, minor = version.partition('.')
    opts = [k.partition('=')[::2] for k in keys]
    get = lambda k, d: next((v for n, v in opts if n == k), d)
    pool, index = [], {}
    def const(key, entry):
        if key not in index:
            index[key] = len(pool) + 1
            pool.append(entry)
        return index[key]
    u2 = lambda v: struct.pack('>H', v)
    utf8 = lambda t: const('u' + t, b'\1' + u2(len(t)) + t.encode())
    klass = lambda t: const('c' + t, b'\7' + u2(utf8(t)))
    this, sup = klass(get('this', name)), klass(get('super', 'java/lang/Object'))
    ifaces = [klass(v) for n, v in opts if n == 'iface']
    methods = [v.split(':') for n, v in opts if n == 'm'] or [['9', 'main', '([Ljava/lang/String;)V']]
    body_methods = b''
    for m in filter(lambda m: m != [''], methods):
        attrs = b''
        if len(m) > 3:
            thrown = [klass(e) for e in m[3].split('|')]
            attrs = u2(1) + u2(utf8('Exceptions')) + struct.pack('>I', 2 + 2 * len(thrown)) + u2(len(thrown)) + b''.join(map(u2, thrown))
        code = method_code(int(m[0], 0), m[1], m[2], const, utf8, klass, get('super', 'java/lang/Object'))
        count = (1 if code else 0) + (1 if attrs else 0)
        body_methods += u2(int(m[0], 0)) + u2(utf8(m[1])) + u2(utf8(m[2])) + u2(count) + code + attrs[2:]
    attrs = b''
    if get('inner', ''):
        outer, flags = get('inner', '').split(':')
        attrs = u2(1) + u2(utf8('InnerClasses')) + struct.pack('>I', 10) + u2(1) + u2(this) + u2(klass(outer)) + u2(0) + u2(int(flags, 0))
    return (b'\xca\xfe\xba\xbe' + u2(int(minor or 0)) + u2(int(major)) + u2(len(pool) + 1) + b''.join(pool) +
            u2(int(get('flags', '0x21'), 0)) + u2(this) + u2(sup) + u2(len(ifaces)) + b''.join(map(u2, ifaces)) +
            u2(0) + u2(len(methods) if methods != [['']] else 0) + body_methods + (attrs or u2(0)))


def method_code(flags, name, descriptor, const, utf8, klass, superclass):
    """A Code attribute that returns at once (a constructor calls its superclass's first), so
    that java itself loads the file; none for an abstract or native method."""
    if flags & 0x500:
        return b''
    u2 = lambda v: struct.pack('>H', v)
    if name == '<init>':
        nat = const('n<init>', b'\x0c' + u2(utf8('<init>')) + u2(utf8('()V')))
        ref = const('m' + superclass, b'\x0a' + u2(klass(superclass)) + u2(nat))
        code = b'\x2a\xb7' + u2(ref) + b'\xb1'
    else:
        ret = descriptor[descriptor.index(')') + 1]
        code = {'V': b'\xb1', 'J': b'\x09\xad', 'F': b'\x0b\xae', 'D': b'\x0e\xaf'}.get(
            ret, b'\x01\xb0' if ret in 'L[' else b'\x03\xac')
    body = u2(2) + u2(8) + struct.pack('>I', len(code)) + code + u2(0) + u2(0)
    return u2(utf8('Code')) + struct.pack('>I', len(body)) + body


def body(text, name=''):
    """TEXT, or for ^MAJOR[.MINOR]TEXT a class file's first 8 bytes of that version, then TEXT;
    ^c... a whole class file (class_file)."""
    if text.startswith('^c'):
        return class_file(text[2:], name[:-6] if name.endswith('.class') else name)
    version = re.match(r'\^(\d+)(?:\.(\d+))?', text)
    head = b'\xca\xfe\xba\xbe' + struct.pack('>HH', int(version[2] or 0), int(version[1])) if version else b''
    return head + text[version.end() if version else 0:].encode('latin-1')


def add_member(archive, member, kind):
    """A member NAME=TEXT holds TEXT; NAME alone is empty; NAME=TEXT<N has a compressed size of N
    in its directory record. The first member has the extra field the jar tool gives it."""
    name, _, text = member.partition('=')
    text, cut, size = re.fullmatch(r'(.*?)(<(\d+))?', text, re.S).groups()
    info = zipfile.ZipInfo(name, (1980, 1, 1, 0, 0, 0))
    info.extra = b'' if archive.filelist else b'\xfe\xca\0\0'
    archive.writestr(info, body(text, name), zipfile.ZIP_DEFLATED if kind == 'deflate' else zipfile.ZIP_STORED)
    if kind == 'raw':
        archive.filelist[-1].compress_type = zipfile.ZIP_DEFLATED
    if cut:
        archive.filelist[-1].compress_size = int(size)


def program(exe, version):
    """exe: a copy of the program (file version 1.5.0.0); exe:A.B.C.D the copy with that file
    version; exe:cut the copy cut short inside its version resource."""
    data = bytearray(pathlib.Path(exe).read_bytes())
    at = data.rindex(b'\xbd\x04\xef\xfe')  # the version resource's signature, past the code's
    if version == 'cut':
        return bytes(data[:at + 20])
    if version:
        a, b, c, d = map(int, version.split('.'))
        data[at + 8:at + 16] = struct.pack('<II', a << 16 | b, c << 16 | d)
    return bytes(data)


def make_tree(root, items, tree, exe):
    made = []
    for item in items.split():  # see README.md
        item, _, content = expand(item, tree).partition('=')
        item, _, link = item.partition('->')
        path = os.path.join(root, to_unicode(item.rstrip('!')))
        made.append(path)
        os.makedirs(os.path.dirname(path), exist_ok=True)  # of dir/, the directory itself
        if link:
            os.symlink(link, path)
        elif content:
            pathlib.Path(path).write_bytes(program(exe, content[4:]) if content.startswith('exe:') else contents(content, item))
        else:
            pathlib.Path(path).touch()  # a new file is empty; a directory stays as it is
        if item.endswith('!'):
            os.chmod(path, 0)
    return made


def add_manifest(root, line, tree):
    """manifest JAR[:FLAG,...] TEXT: the archive (made if the tree has none) gets
    META-INF/MANIFEST.MF holding TEXT in UTF-8, each | a CR LF; deflated unless stored; short,
    long: its recorded size 10 bytes more, 1 byte less than it holds; broken: its deflated
    data begins badly."""
    target, _, text = line.partition(' ')
    name, _, how = target.partition(':')
    path = os.path.join(root, to_unicode(expand(name, tree)))
    data = to_unicode(expand(text.replace('|', '\r\n'), tree)).encode('utf-8')
    with zipfile.ZipFile(path, 'a' if os.path.exists(path) else 'w') as archive:
        archive.writestr('META-INF/MANIFEST.MF', data, zipfile.ZIP_STORED if 'stored' in how else zipfile.ZIP_DEFLATED)
        at = archive.getinfo('META-INF/MANIFEST.MF').header_offset
    zip_bytes = bytearray(pathlib.Path(path).read_bytes())
    if 'short' in how or 'long' in how:
        record = zip_bytes.rindex(b'META-INF/MANIFEST.MF') - 46  # its central record
        zip_bytes[record + 24:record + 28] = struct.pack('<I', len(data) + (10 if 'short' in how else -1))
    if 'broken' in how:
        zip_bytes[at + 30 + 20 + struct.unpack('<H', zip_bytes[at + 28:at + 30])[0]] = 0xFF
    pathlib.Path(path).write_bytes(zip_bytes)


def wine(prefix, *argv, **kw):
    env = {'WINEPREFIX': prefix, 'WINEDEBUG': '-all', 'WINEDLLOVERRIDES': 'mscoree,mshtml=',
           'HOME': os.environ.get('HOME', '/root'), 'LANG': 'C.UTF-8', **kw.pop('env', {})}
    return subprocess.run(SETPRIV + list(argv), env=env, stdin=subprocess.DEVNULL, **kw)


def command(case, root, tree, rawcmd, env):
    """The program with the case's args, or rawcmd handing it the exact command line: its quoted name, then cmdline."""
    if case['cmdline'] is None:
        return [os.path.join(root, 'cpvalid.exe')] + [to_unicode(expand(a, tree)) for a in shlex.split(case['args'] or '')]
    line = '"@\\cpvalid.exe"' + (' ' + case['cmdline'] if case['cmdline'] else '')
    env.update(CPVALID_RAW_EXE=tree + '\\cpvalid.exe', CPVALID_RAW_CMDLINE=to_unicode(expand(line, tree)))
    return [rawcmd]


def run_case(prefix, loader, exe, rawcmd, case):
    # Files in the prefix's own drive C: only the 32-bit program, its redirection turned off,
    # sees its system32 as the 64-bit programs do; the 64-bit program proves nothing there.
    if case['wow64'] and loader == WINE64:
        return None
    root = tempfile.mkdtemp(prefix='cpv', dir='/tmp')  # always 18 characters as Z:\tmp\cpv...
    tree = 'Z:' + root.replace('/', '\\')
    shutil.copy(exe, root)
    make_tree(root, case['tree'], tree, exe)
    made = make_tree(os.path.join(prefix, 'drive_c'), case['wow64'] + ' ' + case['drive_c'], tree, exe)
    for line in case['manifest']:
        add_manifest(root, line, tree)
    env = {('WINEPATH' if n == 'PATH' else n): to_unicode(expand(v, tree)) for n, v in case['env']}
    got = wine(prefix, loader, *command(case, root, tree, rawcmd, env), env=env,
               cwd=os.path.join(root, case['cwd']), capture_output=True, timeout=300)
    subprocess.run(['chmod', '-R', 'u+rwx', root]), shutil.rmtree(root), [os.remove(m) for m in made if os.path.isfile(m)]
    want = (BANNER + expand('\n'.join(case['out']), tree).rstrip('\n') + '\n').replace('\n', '\r\n').encode('latin-1')
    problems = ['exit status %d (want %s), standard error %r' % (got.returncode, case['status'], got.stderr[:300])
                ] if got.returncode != int(case['status']) or got.stderr else []
    if got.stdout != want:
        at = next(i for i, (a, b) in enumerate(zip(want + b'\0', got.stdout + b'\1')) if a != b)
        problems += ['standard output differs from byte %d on (- expected, + actual)' % at] + list(difflib.unified_diff(
            *([repr(line) for line in b.split(b'\n')] for b in (want, got.stdout)), lineterm=''))[:40]
    return problems


def main(prefix, exe32, exe64, *files):
    prefix, failed, passed, skipped = os.path.abspath(prefix), 0, 0, 0
    cases = [case for path in files for case in parse(path)]
    rawcmd = os.path.join(prefix, 'rawcmd.exe')
    both = [case['name'] for case in cases if case['args'] is not None and case['cmdline'] is not None]
    if both:
        sys.exit('args and cmdline exclude each other: ' + ', '.join(both))
    with open(prefix + '.log', 'w') as log:  # a pipe would be held open
        for argv in ([SERVER, '-k'], [WINE64, 'wineboot', '--init'], [SERVER, '-w'], [SERVER, '-p'],
                     # Without the registry's PATH the program's PATH is exactly WINEPATH.
                     [WINE64, 'reg', 'delete', r'HKLM\System\CurrentControlSet\Control\Session '
                      r'Manager\Environment', '/v', 'PATH', '/f'],
                     # Nor its PATHEXT, which would win over the caller's.
                     [WINE64, 'reg', 'delete', r'HKLM\System\CurrentControlSet\Control\Session '
                      r'Manager\Environment', '/v', 'PATHEXT', '/f'], [WINE64, 'cmd', '/c', 'exit']):
            wine(prefix, *argv, stdout=log, stderr=log)
        # The shipped 32-bit program if it runs here, else the 64-bit build; sh makes a failed start a message.
        tried = wine(prefix, 'sh', '-c', '"$@" 2>&1', '-', WINE32, exe32, '-?', capture_output=True, timeout=120)
        loader, exe = (WINE32, exe32) if tried.returncode == 0 and b'Command usage' in tried.stdout else (WINE64, exe64)
        why = 'runs here' if exe == exe32 else 'does not run here (%s)' % tried.stdout[-200:].decode('latin-1').strip()
        for out in sys.stdout, log:  # scripts/test.sh shows the line from the log
            print('Wine cases run %s under %s: the 32-bit program %s' % (exe, loader, why), file=out)
    subprocess.run([CC[loader], '-Os', '-s', '-static', '-nostdlib', RAWCMD, '-lkernel32', '-o', rawcmd], check=True)
    for case in cases:
        problems = run_case(prefix, loader, exe, rawcmd, case)
        if problems is None:
            print('SKIPPED %s: it needs the 32-bit program, which does not run here' % to_unicode(case['name']))
            skipped += 1
            continue
        print(('FAIL ' if problems else 'ok ') + to_unicode(case['name']) + ''.join('\n    ' + p for p in problems))
        failed, passed = failed + bool(problems), passed + (not problems)
    wine(prefix, SERVER, '-k')
    print('%d passed, %d failed' % (passed, failed) + (', %d skipped' % skipped if skipped else ''))
    return 1 if failed or not passed else 0


if __name__ == '__main__':
    sys.exit(main(*sys.argv[1:]))
