#!/usr/bin/python3
"""End-to-end tests of cpvalid.exe under Wine, comparing whole outputs.

  run_e2e.py --setup --prefix DIR        create the Wine prefix, start its server
  run_e2e.py --exe EXE --prefix DIR --group NAME|all [--case SUBSTR]
  run_e2e.py --teardown --prefix DIR [--remove-prefix]
  run_e2e.py --exe EXE --group all       without --prefix: a private prefix
                                         is set up and torn down around the run
"""

import argparse
import os
import sys
import tempfile
import traceback

# No __pycache__ in the source tree.
sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import harness  # noqa: E402
import cases_basic  # noqa: E402,F401
import cases_required  # noqa: E402,F401
import cases_hostile  # noqa: E402,F401

ORDER = ['basic', 'required', 'hostile']


def run_groups(session, exe, group, pattern):
    names = ORDER if group == 'all' else [group]
    for n in names:
        if n not in harness.GROUPS:
            print('unknown group %r (have: %s, all)'
                  % (n, ', '.join(ORDER)))
            return 2
    passed = failed = skipped = 0
    for g in names:
        for name, func in harness.GROUPS[g]:
            full = '%s.%s' % (g, name)
            if pattern and pattern not in full:
                continue
            ctx = harness.Ctx(session, exe)
            try:
                func(ctx)
            except harness.Skip as e:
                skipped += 1
                print('skip %s: %s' % (full, e))
            except harness.CaseFailure as e:
                failed += 1
                print('FAIL %s\n%s' % (full, '\n'.join(
                    '    ' + l for l in str(e).splitlines())))
            except Exception:
                failed += 1
                print('FAIL %s (error in the test)\n%s' % (
                    full, traceback.format_exc()))
            else:
                passed += 1
                print('ok %s' % full)
            finally:
                ctx.cleanup()
            sys.stdout.flush()
    if skipped:
        print('(%d skipped)' % skipped)
    print('%d passed, %d failed' % (passed, failed))
    return 1 if failed else 0


def main():
    ap = argparse.ArgumentParser(description=__doc__,
                                 formatter_class=argparse.RawTextHelpFormatter)
    ap.add_argument('--setup', action='store_true')
    ap.add_argument('--teardown', action='store_true')
    ap.add_argument('--remove-prefix', action='store_true',
                    help='with --teardown: delete the prefix directory too')
    ap.add_argument('--no-setpriv', action='store_true',
                    help='with --setup: keep root\'s full privileges (the '
                    'cases that need\nunreadable files are then skipped)')
    ap.add_argument('--prefix', help='the WINEPREFIX of this test run')
    ap.add_argument('--exe', help='path of cpvalid.exe')
    ap.add_argument('--group', default='all',
                    help='basic, required, hostile or all')
    ap.add_argument('--case', default='',
                    help='only cases whose name contains this text')
    a = ap.parse_args()

    if a.setup or a.teardown:
        if not a.prefix:
            ap.error('--setup and --teardown need --prefix')
        if a.setup:
            s = harness.Session.setup(a.prefix, not a.no_setpriv)
            print('wine session ready in %s (%s; locked file %s, locked '
                  'directory %s)' % (
                      s.prefix, s.lock_note,
                      'unreadable' if s.file_lock_works else 'READABLE',
                      'unenterable' if s.dir_lock_works else 'ENTERABLE'))
        if a.teardown:
            harness.Session.teardown(a.prefix, a.remove_prefix)
            print('wine session stopped')
        return 0

    if not a.exe:
        ap.error('--exe is required')
    if not os.path.isfile(a.exe):
        print('no such program: %s' % a.exe)
        print('0 passed, 1 failed')
        return 1
    if a.prefix:
        return run_groups(harness.Session.load(a.prefix), a.exe, a.group,
                          a.case)
    prefix = tempfile.mkdtemp(prefix='cpvE2E_prefix_', dir='/tmp')
    try:
        session = harness.Session.setup(prefix, not a.no_setpriv)
        return run_groups(session, a.exe, a.group, a.case)
    finally:
        harness.Session.teardown(prefix, remove=True)


if __name__ == '__main__':
    sys.exit(main())
