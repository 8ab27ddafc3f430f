"""The -j report: which catalogue files the class path holds, and the jms
directory on PATH."""

import expect as E
from expect import CATALOGUE, DIR, FILE, MISSING
from harness import add_case, case

G = 'required'
CP, PATH, LIB = b'CLASSPATH', b'PATH', b'LIB'


def _jars(t, names=CATALOGUE, folder=b'jars'):
    """Creates the files in lower case on disk and returns their entries,
    spelled in lower case too: recognition must not depend on case."""
    return [t.mkfile(folder + b'/' + n.lower()) for n in names]


_walk = E.listed


@case(G)
def all_thirteen_present(t):
    cp, out = _walk(CP, [(e, FILE, 0) for e in _jars(t)])
    t.run(['-j'], env={'CLASSPATH': cp},
          expect=E.report(out, required=E.required(CATALOGUE)))


@case(G)
def all_present_and_jms_directory_on_path(t):
    cp, out = _walk(CP, [(e, FILE, 0) for e in _jars(t)])
    lib = t.mkdir('apps/java/lib')
    path, out_path = _walk(PATH, [(lib, DIR, 0)])
    t.run(['-j', '-p'], env={'CLASSPATH': cp, 'PATH': path},
          expect=E.report(out, out_path,
                          required=E.required(CATALOGUE, True, True)))


@case(G)
def all_present_but_jms_directory_not_on_path(t):
    cp, out = _walk(CP, [(e, FILE, 0) for e in _jars(t)])
    apps = t.mkdir('apps/java')
    path, out_path = _walk(PATH, [(apps, DIR, 0)])
    # '-jp' asks for the report only: PATH is not walked and not judged.
    t.run(['-jp'], env={'CLASSPATH': cp, 'PATH': path},
          expect=E.report(out, required=E.required(CATALOGUE)))
    t.run(['-j-p'], env={'CLASSPATH': cp, 'PATH': path},
          expect=E.report(out, out_path,
                          required=E.required(CATALOGUE, True, False)))


@case(G)
def all_present_and_path_undefined(t):
    cp, out = _walk(CP, [(e, FILE, 0) for e in _jars(t)])
    t.run(['-p', '-j'], env={'CLASSPATH': cp},
          expect=E.report(out, E.not_defined(PATH),
                          required=E.required(CATALOGUE, True, False)))


def _missing_one(missing):
    def run(t):
        present = [n for n in CATALOGUE if n != missing]
        entries = []
        for n in CATALOGUE:
            if n == missing:
                # Named on the class path, but not there.
                entries.append((t.win(b'jars/' + n.lower()), MISSING, 0))
            else:
                entries.append((t.mkfile(b'jars/' + n.lower()), FILE, 0))
        cp, out = _walk(CP, entries)
        t.run(['-j'], env={'CLASSPATH': cp},
              expect=E.report(out, required=E.required(present)))
    return run


for _n in CATALOGUE:
    add_case(G, 'missing_' + _n.decode().replace('.', '_').lower(),
             _missing_one(_n))


@case(G)
def neither_configuration_file(t):
    present = [n for n in CATALOGUE if n not in (b'MURREL.JAR', b'SORREK.JAR')]
    cp, out = _walk(CP, [(e, FILE, 0) for e in _jars(t, present)])
    t.run(['-j'], env={'CLASSPATH': cp},
          expect=E.report(out, required=E.required(present)))


@case(G)
def classpath_undefined(t):
    t.run(['-j'], env={},
          expect=E.report(E.not_defined(CP), required=E.required()))


@case(G)
def classpath_and_path_undefined(t):
    t.run(['-j', '-p'], env={},
          expect=E.report(E.not_defined(CP), E.not_defined(PATH),
                          required=E.required((), True, False)))


@case(G)
def typical_run(t):
    jar = t.mkfile('Lib/ZANTH.CORE.JAR')
    lower = t.win('Lib').lower() + b'\\zanth.core.jar'
    none = t.win('none')
    cp, out = _walk(CP, [(b'.', DIR, 0), (jar, FILE, 0), (lower, FILE, 1),
                         (none, MISSING, 0)])
    t.run(['-j'], env={'CLASSPATH': cp},
          expect=E.report(out, required=E.required([b'ZANTH.CORE.JAR'])))


@case(G)
def names_recognised_by_exact_last_component(t):
    t.mkfile('start/ZANTH.CORE.JAR')
    t.mkfile('start/lib/zanth.bridge.jar')
    t.mkfile('start/orvis.jar')
    jars = t.mkdir('jars')
    for n in (b'old.nomia.jar', b'bresk.jar.bak', b'quillet.jar',
              b'wexlin.jar', b'Tuvak.Jar', b'LUMBEN.ZIP', b'eskero.zip',
              b'korvojava.zip'):
        t.mkfile(b'jars/' + n)
    sorrek_dir = t.mkdir('dirs/SORREK.JAR')
    cp, out_cp = _walk(CP, [
        (b'ZANTH.CORE.JAR', FILE, 0),              # no backslash: all of it
        (b'lib/zanth.bridge.jar', FILE, 0),        # '/' is no separator
        (b'Z:orvis.jar', FILE, 0),                 # nor is ':'
        (jars + b'\\old.nomia.jar', FILE, 0),      # no suffix match
        (jars + b'\\bresk.jar.bak', FILE, 0),      # no prefix match
        (jars + b'\\quillet.jar ', FILE, 0),       # Wine opens it; the
                                                   # blank stays in the name
        (jars + b'\\MURREL.JAR', MISSING, 0),      # not there
        (sorrek_dir, DIR, 0),                      # a directory
        (jars + b'\\wexlin.jar', FILE, 0),
        (jars + b'\\Tuvak.Jar', FILE, 0),
        (jars + b'\\LUMBEN.ZIP', FILE, 0),
        (jars + b'\\WEXLIN.JAR', FILE, 1),
    ])
    # Files of the right name on PATH and LIB count for nothing.
    path, out_path = _walk(PATH, [(jars + b'\\eskero.zip', FILE, 0),
                                  (jars + b'\\korvojava.zip', FILE, 0)])
    lib, out_lib = _walk(LIB, [(jars + b'\\eskero.zip', FILE, 0),
                               (jars, DIR, 0)])
    t.run(['-j', '-p', '-l'], env={'CLASSPATH': cp, 'PATH': path, 'LIB': lib},
          cwd='start',
          expect=E.report(out_cp, out_path, out_lib, E.required(
              [b'ZANTH.CORE.JAR', b'WEXLIN.JAR', b'TUVAK.JAR', b'LUMBEN.ZIP'],
              True, False)))


def _jms_dir_case(path_entries, found):
    """path_entries: function of the tree giving (text, status, dup) for
    PATH; the class path holds every catalogue file."""
    def run(t):
        cp, out_cp = _walk(CP, [(e, FILE, 0) for e in _jars(t)])
        t.mkdir('start/sub')
        path, out_path = _walk(PATH, path_entries(t))
        t.run(['-p', '-j'], env={'CLASSPATH': cp, 'PATH': path},
              cwd='start',
              expect=E.report(out_cp, out_path,
                              required=E.required(CATALOGUE, True, found)))
    return run


add_case(G, 'jms_directory_mixed_case', _jms_dir_case(
    lambda t: [(t.mkdir('apps/Java/Lib'), DIR, 0)], True))
add_case(G, 'jms_directory_suffix_of_longer_name', _jms_dir_case(
    lambda t: [(t.mkdir('apps/myjava/lib'), DIR, 0)], True))
def _jms_relative(t):
    # Entering sub and the parent, twice, does not change where java\lib is
    # found.
    t.mkdir('start/java/lib')
    return [(b'sub', DIR, 0), (b'..', DIR, 0), (b'..', DIR, 1),
            (b'java\\lib', DIR, 0)]


add_case(G, 'jms_directory_relative', _jms_dir_case(_jms_relative, True))
add_case(G, 'jms_directory_after_other_entries', _jms_dir_case(
    lambda t: [(t.win('nothing'), MISSING, 0), (t.mkdir('a'), DIR, 0),
               (t.mkfile('a/f.txt'), FILE, 0),
               (t.mkdir('apps/JAVA/LIB'), DIR, 0),
               (t.win('apps/java/lib'), DIR, 1)], True))


def _jms_near_misses(t):
    real = t.mkdir('apps/JAVA/LIB')
    t.mkfile('files/java/lib')
    return [(real + b'\\', DIR, 0),                      # trailing backslash
            (t.win('apps/JAVA') + b'/LIB', DIR, 0),      # slash
            (real + b'\\.', DIR, 0),                     # ends in '.'
            (t.win('nowhere/java/lib'), MISSING, 0),     # not there
            (t.win('files/java/lib'), FILE, 0),          # a file
            (b'.', DIR, 0)]


add_case(G, 'jms_directory_near_misses', _jms_dir_case(_jms_near_misses,
                                                       False))


@case(G)
def jms_directory_only_counts_on_path(t):
    cp_files = _jars(t)
    java_lib = t.mkdir('apps/java/lib')
    cp, out_cp = _walk(CP, [(e, FILE, 0) for e in cp_files]
                       + [(java_lib, DIR, 0)])
    other = t.mkdir('other')
    path, out_path = _walk(PATH, [(other, DIR, 0)])
    lib, out_lib = _walk(LIB, [(java_lib, DIR, 0)])
    t.run(['-p', '-l', '-j'], env={'CLASSPATH': cp, 'PATH': path, 'LIB': lib},
          expect=E.report(out_cp, out_path, out_lib,
                          E.required(CATALOGUE, True, False)))


@case(G)
def jms_directory_ignored_without_p(t):
    # Without -p PATH is not walked, so its JAVA\LIB is never seen, and the
    # report says nothing about it either way.
    cp, out_cp = _walk(CP, [(e, FILE, 0) for e in _jars(t)])
    t.run(['-j'], env={'CLASSPATH': cp, 'PATH': t.mkdir('x/java/lib')},
          expect=E.report(out_cp, required=E.required(CATALOGUE)))
