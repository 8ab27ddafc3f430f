"""Machinery of the end-to-end suite: the Wine session, one run of the tool
in a fresh temporary tree, and the comparison of whole outputs.

Everything the tool sees is kept under control here: the environment starts
empty, PATH is steered through WINEPATH (the prefix has no registry PATH),
and every case gets its own directory tree under /tmp.
"""

import difflib
import json
import os
import shutil
import signal
import subprocess
import tempfile

WINE64 = '/usr/lib/wine/wine64'
WINESERVER = '/usr/lib/wine/wineserver'
ENV_KEY = r'HKLM\System\CurrentControlSet\Control\Session Manager\Environment'
SESSION_FILE = 'cpvalid-e2e-session.json'

# Without these two capabilities root is bound by permission bits like
# anyone else, so a mode-000 file or directory really is out of reach for
# the wineserver (which does the opening) and for the program.
SETPRIV_ARGS = ['--bounding-set=-dac_override,-dac_read_search',
                '--inh-caps=-dac_override,-dac_read_search']

RUN_TIMEOUT = 120          # seconds for one run of the tool
SETUP_TIMEOUT = 600


class CaseFailure(Exception):
    pass


class Skip(Exception):
    pass


# ---------------------------------------------------------------------------
# ANSI code page 1252 <-> what we hand to Wine.
#
# Wine converts UTF-8 values and file names to code page 1252 for the
# program. The five bytes that 1252 leaves undefined come through as the
# control characters of the same number, so every byte 0x80-0xFF can be
# produced exactly.

_UNDEFINED_1252 = (0x81, 0x8D, 0x8F, 0x90, 0x9D)


def ansi_to_text(data):
    """The Unicode text that reaches the program as the bytes `data`."""
    out = []
    for b in data:
        if b < 0x80 or b in _UNDEFINED_1252:
            out.append(chr(b))
        else:
            out.append(bytes([b]).decode('cp1252'))
    return ''.join(out)


def ansi_to_unix(data):
    return ansi_to_text(data).encode('utf-8')


def as_bytes(value):
    if isinstance(value, bytes):
        return value
    return value.encode('ascii')


class Raw:
    """An environment value handed to Wine byte for byte, unconverted."""

    def __init__(self, data):
        self.data = data


# ---------------------------------------------------------------------------
# The Wine session

def _setpriv_path():
    return shutil.which('setpriv') or (
        '/usr/bin/setpriv' if os.path.exists('/usr/bin/setpriv') else None)


def base_env(prefix):
    env = {
        'WINEPREFIX': prefix,
        'WINEDEBUG': '-all',
        'WINEDLLOVERRIDES': 'mscoree,mshtml=',
        'HOME': os.environ.get('HOME') or '/root',
        'LANG': 'C.UTF-8',
    }
    return {k.encode(): v.encode() for k, v in env.items()}


class Session:
    def __init__(self, prefix, drop_caps, file_lock_works, dir_lock_works,
                 lock_note):
        self.prefix = prefix
        self.drop_caps = drop_caps
        self.file_lock_works = file_lock_works
        self.dir_lock_works = dir_lock_works
        self.lock_note = lock_note

    # -- commands -----------------------------------------------------------
    def wrap(self, argv):
        if self.drop_caps:
            return [_setpriv_path()] + SETPRIV_ARGS + list(argv)
        return list(argv)

    @staticmethod
    def load(prefix):
        prefix = os.path.abspath(prefix)
        path = os.path.join(prefix, SESSION_FILE)
        if not os.path.exists(path):
            raise SystemExit('no e2e session in %s: run with --setup first'
                             % prefix)
        with open(path) as f:
            d = json.load(f)
        return Session(prefix, d['drop_caps'], d['file_lock_works'],
                       d['dir_lock_works'], d['lock_note'])

    def save(self):
        with open(os.path.join(self.prefix, SESSION_FILE), 'w') as f:
            json.dump({'drop_caps': self.drop_caps,
                       'file_lock_works': self.file_lock_works,
                       'dir_lock_works': self.dir_lock_works,
                       'lock_note': self.lock_note}, f, indent=1)

    def _wine(self, argv, log, timeout=SETUP_TIMEOUT):
        # Output of Wine's own programs goes to a file: the first program of
        # a session leaves services behind that would keep a pipe open.
        with open(log, 'ab') as out:
            return subprocess.run(self.wrap(argv), env=base_env(self.prefix),
                                  stdin=subprocess.DEVNULL, stdout=out,
                                  stderr=subprocess.STDOUT, timeout=timeout,
                                  cwd='/').returncode

    @staticmethod
    def setup(prefix, use_setpriv=True):
        prefix = os.path.abspath(prefix)
        os.makedirs(prefix, exist_ok=True)
        drop = False
        sp = _setpriv_path()
        if use_setpriv and os.geteuid() == 0 and sp:
            drop = subprocess.run([sp] + SETPRIV_ARGS + ['true'],
                                  stdout=subprocess.DEVNULL,
                                  stderr=subprocess.DEVNULL).returncode == 0
        s = Session(prefix, drop, False, False, '')
        log = os.path.join(prefix, 'cpvalid-e2e-setup.log')
        # A server left over from an earlier run may hold other privileges.
        s._wine([WINESERVER, '-k'], log)
        if not os.path.exists(os.path.join(prefix, 'system.reg')):
            if s._wine([WINE64, 'wineboot', '--init'], log) != 0:
                raise SystemExit('wineboot failed, see %s' % log)
            s._wine([WINESERVER, '-w'], log)
        if s._wine([WINESERVER, '-p'], log) != 0:
            raise SystemExit('cannot start wineserver, see %s' % log)
        s._wine([WINE64, 'reg', 'delete', ENV_KEY, '/v', 'PATH', '/f'], log)
        if s._wine([WINE64, 'reg', 'query', ENV_KEY, '/v', 'PATH'], log) == 0:
            raise SystemExit('registry PATH value still present, see %s' % log)
        s._wine([WINE64, 'cmd.exe', '/c', 'exit'], log)
        s._measure_locks(log)
        s.save()
        return s

    def _measure_locks(self, log):
        """Find out, with Wine's own cmd.exe, whether a mode-000 file can be
        read and a mode-000 directory entered in this session."""
        tmp = tempfile.mkdtemp(prefix='cpvE2E_lock_', dir='/tmp')
        try:
            f = os.path.join(tmp, 'locked.txt')
            with open(f, 'w') as fh:
                fh.write('E2E-MARK-7Q\n')
            d = os.path.join(tmp, 'lockdir')
            os.mkdir(d)
            os.chmod(f, 0)
            os.chmod(d, 0)
            out = os.path.join(tmp, 'out.txt')
            wf = 'Z:' + f.replace('/', '\\')
            wd = 'Z:' + d.replace('/', '\\')
            if os.path.exists(out):
                os.remove(out)
            self._wine([WINE64, 'cmd.exe', '/c', 'type', wf], out, timeout=60)
            with open(out, 'rb') as fh:
                self.file_lock_works = b'E2E-MARK-7Q' not in fh.read()
            os.remove(out)
            # cmd's '&&' runs on after a failed cd, so look at where it is.
            self._wine([WINE64, 'cmd.exe', '/c', 'cd', '/d', wd, '&', 'cd'],
                       out, timeout=60)
            with open(out, 'rb') as fh:
                lines = fh.read().upper().split(b'\r\n')
            self.dir_lock_works = wd.upper().encode() not in lines
            self.lock_note = ('session without dac_override' if self.drop_caps
                              else 'session as uid %d' % os.geteuid())
        finally:
            os.chmod(os.path.join(tmp, 'lockdir'), 0o700)
            shutil.rmtree(tmp, ignore_errors=True)

    @staticmethod
    def teardown(prefix, remove=False):
        prefix = os.path.abspath(prefix)
        try:
            s = Session.load(prefix)
        except SystemExit:
            s = Session(prefix, False, False, False, '')
        if os.path.isdir(prefix):
            s._wine([WINESERVER, '-k'],
                    os.path.join(prefix, 'cpvalid-e2e-setup.log'))
        if remove:
            shutil.rmtree(prefix, ignore_errors=True)


# ---------------------------------------------------------------------------
# One case: a fresh tree, runs of the tool, exact checks

class Ctx:
    """Handed to every case: its own temporary tree and a way to run the
    tool. Paths within the tree are given as ANSI bytes relative to its
    root, with '/' or '\\' between components."""

    def __init__(self, session, exe):
        self.session = session
        self.exe = os.path.abspath(exe)
        self.root = tempfile.mkdtemp(prefix='cpvE2E_', dir='/tmp')
        # Captured output lives apart from the tree the tool looks at.
        self.capture = tempfile.mkdtemp(prefix='cpvE2E_out_', dir='/tmp')
        self.runs = 0

    def cleanup(self):
        for top, dirs, _ in os.walk(self.root):
            for d in dirs:
                p = os.path.join(top, d)
                if not os.path.islink(p):
                    os.chmod(p, 0o700)
        shutil.rmtree(self.root, ignore_errors=True)
        shutil.rmtree(self.capture, ignore_errors=True)

    # -- the tree -------------------------------------------------------------
    def unix(self, rel=b''):
        rel = as_bytes(rel).replace(b'\\', b'/').strip(b'/')
        if not rel:
            return self.root
        return os.path.join(self.root, ansi_to_text(rel))

    def win(self, rel=b''):
        """The tree path as the program spells it: Z: and backslashes."""
        w = b'Z:' + self.root.encode('ascii').replace(b'/', b'\\')
        rel = as_bytes(rel).replace(b'/', b'\\').strip(b'\\')
        return w + b'\\' + rel if rel else w

    def mkdir(self, rel, mode=None):
        p = self.unix(rel)
        os.makedirs(p, exist_ok=True)
        if mode is not None:
            os.chmod(p, mode)
        return self.win(rel)

    def mkfile(self, rel, mode=None):
        p = self.unix(rel)
        os.makedirs(os.path.dirname(p), exist_ok=True)
        with open(p, 'wb') as f:
            f.write(b'cpvalid e2e\n')
        if mode is not None:
            os.chmod(p, mode)
        return self.win(rel)

    def argv0(self):
        return b'Z:' + self.exe.encode('utf-8').replace(b'/', b'\\')

    # -- a run ------------------------------------------------------------------
    def run(self, args=(), env=None, cwd=b'', unix_cwd=None, expect=None,
            via_pipe=False, stderr_allowed=None):
        """Run the tool and compare stdout with `expect` byte for byte.

        env maps variable names to the ANSI bytes the program should see
        (str values must be ASCII; Raw values go to Wine unconverted). The
        name PATH is routed through WINEPATH, which is the only way to give
        the program an exact PATH. A name missing from env is undefined.
        `stderr_allowed` is a message that Wine itself may print (never the
        tool)."""
        self.runs += 1
        uenv = base_env(self.session.prefix)
        for name, value in (env or {}).items():
            name = as_bytes(name)
            if isinstance(value, Raw):
                data = value.data
            else:
                data = ansi_to_unix(as_bytes(value))
            if b'\0' in data:
                raise ValueError('NUL byte in environment value')
            if name == b'PATH':
                name = b'WINEPATH'
            uenv[name] = data
        argv = [WINE64.encode(), self.exe.encode()] + [as_bytes(a)
                                                       for a in args]
        argv = self.session.wrap(argv)
        workdir = unix_cwd if unix_cwd is not None else self.unix(cwd)
        out_path = os.path.join(self.capture, '.stdout-%d' % self.runs)
        err_path = os.path.join(self.capture, '.stderr-%d' % self.runs)
        with open(err_path, 'wb') as err:
            if via_pipe:
                proc = subprocess.Popen(argv, env=uenv, cwd=workdir,
                                        stdin=subprocess.DEVNULL,
                                        stdout=subprocess.PIPE, stderr=err,
                                        start_new_session=True)
                try:
                    stdout, _ = proc.communicate(timeout=RUN_TIMEOUT)
                except subprocess.TimeoutExpired:
                    os.killpg(proc.pid, signal.SIGKILL)
                    proc.communicate()
                    raise CaseFailure('timed out after %d s' % RUN_TIMEOUT)
                status = proc.returncode
            else:
                with open(out_path, 'wb') as out:
                    proc = subprocess.Popen(argv, env=uenv, cwd=workdir,
                                            stdin=subprocess.DEVNULL,
                                            stdout=out, stderr=err,
                                            start_new_session=True)
                    try:
                        status = proc.wait(timeout=RUN_TIMEOUT)
                    except subprocess.TimeoutExpired:
                        os.killpg(proc.pid, signal.SIGKILL)
                        proc.wait()
                        raise CaseFailure('timed out after %d s'
                                          % RUN_TIMEOUT)
                with open(out_path, 'rb') as f:
                    stdout = f.read()
        with open(err_path, 'rb') as f:
            stderr = f.read()
        for p in (out_path, err_path):
            if os.path.exists(p):
                os.remove(p)

        problems = []
        if status != 0:
            problems.append('exit status %d, expected 0' % status)
        if stderr_allowed is not None:
            stderr = b''.join(l for l in stderr.splitlines(keepends=True)
                              if stderr_allowed not in l)
        if stderr:
            problems.append('stderr not empty: %r' % stderr[:500])
        if expect is not None and stdout != expect:
            problems.append(render_diff(expect, stdout))
        if problems:
            where = 'run %d (args %r)' % (self.runs, [as_bytes(a)[:40]
                                                      for a in args][:8])
            raise CaseFailure(where + '\n' + '\n'.join(problems))
        return stdout


# ---------------------------------------------------------------------------
# Showing a difference

def _short(line, limit=220):
    r = repr(line)
    if len(r) > limit:
        r = r[:limit - 40] + ' ...[%d bytes]... ' % len(line) + r[-30:]
    return r


def render_diff(expected, actual, max_lines=60):
    first = next((i for i, (a, b) in enumerate(zip(expected, actual))
                  if a != b), min(len(expected), len(actual)))
    head = ('stdout differs: expected %d bytes, got %d; first difference '
            'at byte %d' % (len(expected), len(actual), first))
    around = ('  expected ...%r...\n  actual   ...%r...'
              % (expected[max(0, first - 30):first + 50],
                 actual[max(0, first - 30):first + 50]))
    exp = [_short(l) for l in expected.splitlines(keepends=True)]
    act = [_short(l) for l in actual.splitlines(keepends=True)]
    diff = list(difflib.unified_diff(exp, act, 'expected', 'actual',
                                     n=2, lineterm=''))
    if len(diff) > max_lines:
        diff = diff[:max_lines] + ['... (%d more diff lines)'
                                   % (len(diff) - max_lines)]
    return '\n'.join([head, around] + ['  ' + d for d in diff])


# ---------------------------------------------------------------------------
# Case registry

GROUPS = {}


def case(group):
    def register(func, name=None):
        GROUPS.setdefault(group, []).append((name or func.__name__, func))
        return func
    return register


def add_case(group, name, func):
    GROUPS.setdefault(group, []).append((name, func))
