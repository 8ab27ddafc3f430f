#!/usr/bin/python3
"""Runs the end-to-end cases (*.cases, format in README.md) under Wine.

  run_cases.py --setup PREFIX | --teardown PREFIX
  run_cases.py PREFIX EXE FILE.cases... [--case TEXT]
"""
import difflib, os, re, shlex, shutil, subprocess, sys, tempfile

WINE, SERVER = '/usr/lib/wine/wine64', '/usr/lib/wine/wineserver'
ENV_KEY = r'HKLM\System\CurrentControlSet\Control\Session Manager\Environment'
BANNER = '\nClasspath validation tool V1.05 (ZP17)\nCopyright (c) 2026 The cpvalid authors\n'
UNDEFINED_1252 = '\x81\x8d\x8f\x90\x9d'  # Wine passes these through as they are
# As root, permission bits bind only without these capabilities.
SETPRIV = ['setpriv', '--bounding-set=-dac_override,-dac_read_search',
           '--inh-caps=-dac_override,-dac_read_search'] if os.geteuid() == 0 else []


def to_ansi(text):  # case-file UTF-8 -> one char per code page 1252 byte
    return ''.join(chr(c.encode('cp1252')[0]) if c >= '\x80' else c for c in text)


def to_unicode(ansi):  # what to hand to Wine so that the program gets `ansi`
    return ''.join(c if c < '\x80' or c in UNDEFINED_1252 else
                   bytes([ord(c)]).decode('cp1252') for c in ansi)


def expand(text, tree):
    """@ is the tree; {N*TEXT} is TEXT N times; {xNN} a byte, {xNN-xMM} a range."""
    text = re.sub(r'\{x(..)(?:-x(..))?\}', lambda m: ''.join(
        map(chr, range(int(m[1], 16), int(m[2] or m[1], 16) + 1))), text)
    text = re.sub(r'\{(\d+)\*([^}]+)\}', lambda m: m[2] * int(m[1]), text)
    return text.replace('@', tree)


def parse(path):
    cases, case = [], None
    for line in to_ansi(open(path, encoding='utf-8').read()).split('\n'):
        if line.startswith('=== '):
            case = {'name': line[4:], 'tree': [], 'env': {}, 'args': '', 'cwd': '', 'out': None}
            cases.append(case)
        elif case is None or (case['out'] is None and (not line or line.startswith('#'))):
            continue
        elif case['out'] is not None:
            case['out'].append(line)
        elif line == '---':
            case['out'] = []
        else:
            key, _, value = line.partition(' ')
            if key == 'tree':
                case['tree'] += value.split()
            elif key == 'env':
                name, _, val = value.partition('=')
                case['env'][name] = val
            else:
                case[key] = value
    return cases


def wine(prefix, *argv, **kw):
    env = {'WINEPREFIX': prefix, 'WINEDEBUG': '-all', 'WINEDLLOVERRIDES': 'mscoree,mshtml=',
           'HOME': os.environ.get('HOME', '/root'), 'LANG': 'C.UTF-8', **kw.pop('env', {})}
    return subprocess.run(SETPRIV + list(argv), env=env, stdin=subprocess.DEVNULL, **kw)


def setup(prefix):
    os.makedirs(prefix, exist_ok=True)
    log = open(os.path.join(prefix, 'setup.log'), 'w')  # a pipe would be held open
    wine(prefix, SERVER, '-k', stdout=log, stderr=log)
    wine(prefix, WINE, 'wineboot', '--init', stdout=log, stderr=log, check=True)
    wine(prefix, SERVER, '-w', stdout=log, stderr=log)
    wine(prefix, SERVER, '-p', stdout=log, stderr=log, check=True)
    # Without the registry's PATH the program's PATH is exactly WINEPATH.
    wine(prefix, WINE, 'reg', 'delete', ENV_KEY, '/v', 'PATH', '/f', stdout=log, stderr=log)
    wine(prefix, WINE, 'cmd.exe', '/c', 'exit', stdout=log, stderr=log)


def make_tree(root, items):
    for item in items:  # dir/ is a directory; a trailing ! locks it (mode 000)
        locked, item = item.endswith('!'), item.rstrip('!')
        path = os.path.join(root, to_unicode(item.replace('\\', '/')).rstrip('/'))
        if item.endswith('/'):
            os.makedirs(path, exist_ok=True)
        else:
            os.makedirs(os.path.dirname(path), exist_ok=True)
            open(path, 'w').close()
        if locked:
            os.chmod(path, 0)


def run_case(prefix, exe, case):
    root = tempfile.mkdtemp(prefix='cpv', dir='/tmp')  # always 18 characters as Z:\tmp\cpv...
    tree = 'Z:' + root.replace('/', '\\')
    try:
        shutil.copy(exe, os.path.join(root, 'cpvalid.exe'))
        make_tree(root, [expand(i, tree) for i in case['tree']])
        env = {('WINEPATH' if n == 'PATH' else n): to_unicode(expand(v, tree))
               for n, v in case['env'].items()}
        args = [to_unicode(expand(a, tree)) for a in shlex.split(case['args'])]
        cwd = os.path.join(root, to_unicode(expand(case['cwd'], tree)))
        got = wine(prefix, WINE, os.path.join(root, 'cpvalid.exe'), *args, env=env, cwd=cwd,
                   capture_output=True, timeout=300)
    finally:
        for top, dirs, _ in os.walk(root):
            for d in dirs:
                os.chmod(os.path.join(top, d), 0o700)
        shutil.rmtree(root)
    lines = []
    for line in case['out']:
        count = re.match(r'\{(\d+)\*\}', line)  # a line that starts {N*} stands for N lines
        lines += [expand(line[count.end():] if count else line, tree)] * (int(count[1]) if count else 1)
    while lines and not lines[-1]:
        lines.pop()
    want = (BANNER + '\n'.join(lines) + '\n').replace('\n', '\r\n').encode('latin-1')
    problems = [] if got.returncode == 0 else ['exit status %d' % got.returncode]
    problems += ['stderr: %r' % got.stderr[:300]] if got.stderr else []
    if got.stdout != want:
        show = lambda b: [repr(l)[:200] for l in b.split(b'\n')]
        problems += list(difflib.unified_diff(show(want), show(got.stdout), 'expected', 'actual',
                                              lineterm=''))[:80]
    return problems


def main(argv):
    if argv[0] in ('--setup', '--teardown'):
        if argv[0] == '--setup':
            return setup(os.path.abspath(argv[1]))
        return wine(os.path.abspath(argv[1]), SERVER, '-k') and None
    prefix, exe, only = os.path.abspath(argv[0]), os.path.abspath(argv[1]), ''
    if '--case' in argv:
        only = argv.pop(argv.index('--case') + 1)
    passed = failed = 0
    for path in [a for a in argv[2:] if a != '--case']:
        for case in parse(path):
            if only in case['name']:
                problems = run_case(prefix, exe, case)
                print(('FAIL ' if problems else 'ok ') + case['name'])
                print("\n".join("    " + p for p in problems)) if problems else None
                passed, failed = passed + (not problems), failed + bool(problems)
    print('%d passed, %d failed' % (passed, failed))
    return 1 if failed else 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
