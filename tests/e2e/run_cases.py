"""run_cases.py PREFIX EXE FILE.cases...: the cases (see README.md) under Wine, one prefix."""
import difflib, os, re, shlex, shutil, subprocess, sys, tempfile

WINE, SERVER = '/usr/lib/wine/wine64', '/usr/lib/wine/wineserver'
BANNER = '\nClasspath validation tool V1.05 (ZP17)\nCopyright (c) 2026 The cpvalid authors\n'
# As root, permission bits bind only without these capabilities.
SETPRIV = ['setpriv', '--bounding-set=-dac_override,-dac_read_search',
           '--inh-caps=-dac_override,-dac_read_search'] if os.geteuid() == 0 else []


def to_unicode(ansi):  # what Wine must be given for the program to get `ansi`
    return ''.join(c if c in '\x81\x8d\x8f\x90\x9d' else c.encode('latin-1').decode('cp1252') for c in ansi)


def expand(text, tree):
    """@ is the tree; {N*TEXT} is TEXT N times; {xNN} a byte, {xNN-xMM} a range."""
    text = re.sub(r'\{x(..)(?:-x(..))?\}', lambda m: ''.join(
        map(chr, range(int(m[1], 16), int(m[2] or m[1], 16) + 1))), text)
    return re.sub(r'\{(\d+)\*([^}]+)\}', lambda m: m[2] * int(m[1]), text).replace('@', tree)


def parse(path):
    cases = []
    # A case file is UTF-8; its text is taken as code page 1252 bytes, one character each.
    for line in open(path, encoding='utf-8').read().encode('cp1252').decode('latin-1').split('\n'):
        case = cases[-1] if cases else None
        if line.startswith('=== '):
            cases.append({'name': line[4:], 'tree': '', 'env': [], 'args': '', 'cwd': '', 'out': None})
        elif case and case['out'] is not None:
            case['out'].append(line)
        elif line == '---':
            case['out'] = []
        elif line and not line.startswith('#'):
            key, _, value = line.partition(' ')
            case[key] = case[key] + [value] if key == 'env' else value
    return cases


def wine(prefix, *argv, **kw):
    env = {'WINEPREFIX': prefix, 'WINEDEBUG': '-all', 'WINEDLLOVERRIDES': 'mscoree,mshtml=',
           'HOME': os.environ.get('HOME', '/root'), 'LANG': 'C.UTF-8', **kw.pop('env', {})}
    return subprocess.run(SETPRIV + list(argv), env=env, stdin=subprocess.DEVNULL, **kw)


def run_case(prefix, exe, case):
    root = tempfile.mkdtemp(prefix='cpv', dir='/tmp')  # always 18 characters as Z:\tmp\cpv...
    tree = 'Z:' + root.replace('/', '\\')
    shutil.copy(exe, root)
    for item in expand(case['tree'], tree).split():  # dir/ is a directory; a final ! locks it
        path = os.path.join(root, to_unicode(item.rstrip('!')))
        os.makedirs(path if item.rstrip('!').endswith('/') else os.path.dirname(path), exist_ok=True)
        if not os.path.exists(path):
            open(path, 'w').close()
        if item.endswith('!'):
            os.chmod(path, 0)
    env = {('WINEPATH' if n == 'PATH' else n): to_unicode(expand(v, tree))  # Wine's way to a PATH
           for n, v in (v.split('=', 1) for v in case['env'])}
    args = [to_unicode(expand(a, tree)) for a in shlex.split(case['args'])]
    got = wine(prefix, WINE, os.path.join(root, 'cpvalid.exe'), *args, env=env,
               cwd=os.path.join(root, case['cwd']), capture_output=True, timeout=300)
    subprocess.run(['chmod', '-R', 'u+rwx', root]), shutil.rmtree(root)
    want = ''
    for line in case['out']:  # a line that starts {N*} stands for N lines
        n = re.match(r'\{(\d+)\*\}', line)
        want += (expand(line[n.end():] if n else line, tree) + '\n') * (int(n[1]) if n else 1)
    want = (BANNER + want.rstrip('\n') + '\n').replace('\n', '\r\n').encode('latin-1')
    problems = ['exit status %d, standard error %r' % (got.returncode, got.stderr[:300])
                ] if got.returncode or got.stderr else []
    if got.stdout != want:
        at = next(i for i, (a, b) in enumerate(zip(want + b'\0', got.stdout + b'\1')) if a != b)
        problems += ['standard output differs from byte %d on (- expected, + actual)' % at] + list(difflib.unified_diff(
            *([repr(line) for line in b.split(b'\n')] for b in (want, got.stdout)), lineterm=''))[:40]
    return problems


def main(prefix, exe, *files):
    prefix, failed, passed = os.path.abspath(prefix), 0, 0
    with open(prefix + '.log', 'w') as log:  # a pipe would be held open
        for argv in ([SERVER, '-k'], [WINE, 'wineboot', '--init'], [SERVER, '-w'], [SERVER, '-p'],
                     # Without the registry's PATH the program's PATH is exactly WINEPATH.
                     [WINE, 'reg', 'delete', r'HKLM\System\CurrentControlSet\Control\Session '
                      r'Manager\Environment', '/v', 'PATH', '/f'], [WINE, 'cmd', '/c', 'exit']):
            wine(prefix, *argv, stdout=log, stderr=log)
    for case in [case for path in files for case in parse(path)]:
        problems = run_case(prefix, os.path.abspath(exe), case)
        print(('FAIL ' if problems else 'ok ') + to_unicode(case['name']) + ''.join('\n    ' + p for p in problems))
        failed, passed = failed + bool(problems), passed + (not problems)
    wine(prefix, SERVER, '-k')
    print('%d passed, %d failed' % (passed, failed))
    return 1 if failed or not passed else 0


if __name__ == '__main__':
    sys.exit(main(*sys.argv[1:]))
