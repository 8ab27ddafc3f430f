"""Options, run order, list splitting and counting, entry classification,
duplicates, relative entries, and the length limits."""

import expect as E
from expect import DIR, FILE, MISSING
from harness import add_case, case

G = 'basic'
CP, PATH, LIB = b'CLASSPATH', b'PATH', b'LIB'


# ---------------------------------------------------------------------------
# Options and run order

@case(G)
def no_options_walks_classpath_only(t):
    d = t.mkdir('Lib')
    f = t.mkfile('Lib/a.jar')
    cp = d + b';' + f
    t.run([], env={'CLASSPATH': cp, 'PATH': d, 'LIB': d},
          expect=E.report(E.line(DIR, d) + E.line(FILE, f)
                          + E.totals(CP, 2, 0, 0, len(cp))))


def _help_case(args):
    def run(t):
        d = t.mkdir('d')
        # Help ends the run: nothing is walked, not even what is defined.
        t.run(args, env={'CLASSPATH': d, 'PATH': d, 'LIB': d},
              expect=E.usage(t.argv0()))
    return run


for _name, _args in [
        ('help_dash_question', ['-?']),
        ('help_slash_question', ['/?']),
        ('help_after_other_options', ['-j', '-?']),
        ('help_slash_after_path_option', ['-p', '/?']),
        ('help_chained_after_p', ['-p-?']),
        ('help_among_stray_words', ['stray', '-l', '/?', '-p']),
        ('help_at_end_of_chain', ['-j-l-p-?'])]:
    add_case(G, _name, _help_case(_args))


def _options_case(args, walk_path, walk_lib, check):
    def run(t):
        d = t.mkdir('Dir')
        f = t.mkfile('Dir/f.jar')
        out_cp = E.line(FILE, f) + E.totals(CP, 1, 0, 0, len(f))
        out_path = E.line(DIR, d) + E.totals(PATH, 1, 0, 0, len(d))
        miss = t.win('nothing')
        out_lib = E.line(MISSING, miss) + E.totals(LIB, 1, 1, 0, len(miss))
        t.run(args, env={'CLASSPATH': f, 'PATH': d, 'LIB': miss},
              expect=E.report(out_cp,
                              out_path if walk_path else None,
                              out_lib if walk_lib else None,
                              E.required(path_walked=walk_path)
                              if check else None))
    return run


for _name, _args, _p, _l, _j in [
        ('options_upper_case', ['-P', '-L', '-J'], 1, 1, 1),
        ('options_lib_before_path_still_path_first', ['-l', '-p'], 1, 1, 0),
        ('option_repeated_walks_once', ['-p', '-p', '-P'], 1, 0, 0),
        ('slash_options_set_nothing', ['/p', '/l', '/j'], 0, 0, 0),
        ('chained_three_options', ['-p-l-j'], 1, 1, 1),
        ('chained_j_then_l', ['-J-l'], 0, 1, 1),
        ('letters_run_together_take_first_only', ['-pl'], 1, 0, 0),
        ('option_word_takes_first_letter', ['-path'], 1, 0, 0),
        ('double_dash_sets_nothing', ['--p'], 0, 0, 0),
        ('triple_dash_reaches_letter', ['---p'], 1, 0, 0),
        ('chain_starts_anywhere', ['xy-p'], 1, 0, 0),
        ('broken_chain_stops', ['-p--l'], 1, 0, 0),
        ('bare_marks_and_empty_argument', ['-', 'p', '?', '', '/', 'l-', 'x/?y'],
         0, 0, 0),
        ('j_alone_does_not_walk_path', ['-j'], 0, 0, 1)]:
    add_case(G, _name, _options_case(_args, _p, _l, _j))


@case(G)
def undefined_lists(t):
    t.run(['-p', '-l'], env={},
          expect=E.report(E.not_defined(CP), E.not_defined(PATH),
                          E.not_defined(LIB)))


@case(G)
def empty_values_are_defined(t):
    t.run(['-p', '-l'], env={'CLASSPATH': '', 'PATH': '', 'LIB': ''},
          expect=E.report(E.totals(CP, 0, 0, 0, 0), E.totals(PATH, 0, 0, 0, 0),
                          E.totals(LIB, 0, 0, 0, 0)))


@case(G)
def variable_names_matched_without_case(t):
    d = t.mkdir('Dir')
    f = t.mkfile('Dir/f.jar')
    # The program receives these names spelled as given; the report still
    # names them in capitals.
    t.run(['-l'], env={'classpath': f, 'Lib': d},
          expect=E.report(E.line(FILE, f) + E.totals(CP, 1, 0, 0, len(f)),
                          lib=E.line(DIR, d) + E.totals(LIB, 1, 0, 0, len(d))))


@case(G)
def longer_and_shorter_names_do_not_match(t):
    d = t.mkdir('Dir')
    t.run(['-l'], env={'CLASSPATHX': d, 'CLASSPAT': d, 'CLASSPATH_OLD': d,
                       'LI': d, 'LIBS': d, 'LIB_': d},
          expect=E.report(E.not_defined(CP), lib=E.not_defined(LIB)))


@case(G)
def path_spelled_in_mixed_case(t):
    d = t.mkdir('Dir')
    # A Unix variable named Path reaches the program as PATH.
    t.run(['-p'], env={'CLASSPATH': '.', 'Path': d},
          expect=E.report(E.line(DIR, b'.') + E.totals(CP, 1, 0, 0, 1),
                          E.line(DIR, d) + E.totals(PATH, 1, 0, 0, len(d))))


# ---------------------------------------------------------------------------
# Splitting and counting

def _count_case(value, lines, count, not_found):
    def run(t):
        # Nothing in the empty start directory matches these names.
        body = b''.join(E.line(MISSING, e) for e in lines)
        warn = E.long_warning() if len(value) > 1024 else b''
        t.run([], env={'CLASSPATH': value},
              expect=E.report(warn + body + E.totals(CP, count, not_found, 0,
                                                     len(value))))
    return run


for _name, _value, _lines, _count in [
        ('count_two_entries', b'A;B', [b'A', b'B'], 2),
        ('count_final_separator_adds_nothing', b'A;', [b'A'], 1),
        ('count_leading_separator_counts', b';A', [b'A'], 2),
        ('count_gap_counts', b'A;;B', [b'A', b'B'], 3),
        ('count_gap_then_final_separator', b'A;;', [b'A'], 2),
        ('count_separator_alone', b';', [], 1),
        ('count_quotes_alone', b'""', [], 1),
        ('quotes_dropped_length_kept', b'"C:\\my dir";D',
         [b'C:\\my dir', b'D'], 2),
        ('quotes_inside_entry_dropped', b'a"b"c;"";d""', [b'abc', b'd'], 3),
        ('quotes_do_not_count_towards_limit', b'"' * 3000 + b'A', [b'A'], 1)]:
    add_case(G, _name, _count_case(_value, _lines, _count, len(_lines)))


# ---------------------------------------------------------------------------
# Classification, totals and duplicates on real paths

@case(G)
def file_dir_and_missing_long_totals(t):
    d = t.mkdir('Lib Dir')
    f = t.mkfile('Lib Dir/App.jar')
    m = t.win('Lib Dir/none.jar')
    top = t.win()
    cp = b';'.join([d, f, m, top, b'.'])
    t.run([], env={'CLASSPATH': cp},
          expect=E.report(E.line(DIR, d) + E.line(FILE, f)
                          + E.line(MISSING, m) + E.line(DIR, top)
                          + E.line(DIR, b'.') + E.totals(CP, 5, 1, 0, len(cp))))


@case(G)
def duplicates_fold_ascii_case(t):
    d = t.mkdir('Lib Dir')
    f = t.mkfile('Lib Dir/App.jar')
    # Wine finds the lower-cased spelling too; the tool calls it a duplicate.
    cp = b';'.join([f, f.lower(), d, d.upper()])
    t.run([], env={'CLASSPATH': cp},
          expect=E.report(E.line(FILE, f) + E.line(FILE, f.lower(), True)
                          + E.line(DIR, d) + E.line(DIR, d.upper(), True)
                          + E.totals(CP, 4, 0, 2, len(cp))))


@case(G)
def missing_duplicate_counts_in_both_totals(t):
    m = t.win('gone/x.jar')
    cp = m + b';' + m.lower() + b';.;.'
    t.run([], env={'CLASSPATH': cp},
          expect=E.report(E.line(MISSING, m) + E.line(MISSING, m.lower(), True)
                          + E.line(DIR, b'.') + E.line(DIR, b'.', True)
                          + E.totals(CP, 4, 2, 2, len(cp))))


@case(G)
def entries_not_normalised_before_comparison(t):
    d = t.mkdir('Dir')
    f = t.mkfile('Dir/f.jar')
    slashed_d = d.replace(b'\\', b'/')
    slashed_f = f.replace(b'\\', b'/')
    entries = [d, d + b'\\', slashed_d, d + b'\\.', d + b'\\..\\Dir',
               f, slashed_f, b'.', b'.\\', b'./']
    kinds = {d: DIR, d + b'\\': DIR, slashed_d: DIR, d + b'\\.': DIR,
             d + b'\\..\\Dir': DIR, f: FILE, slashed_f: FILE,
             b'.\\': DIR, b'./': DIR}
    cp = b';'.join(entries)
    t.run([], env={'CLASSPATH': cp},
          expect=E.report(b''.join(E.line(kinds.get(e, DIR), e)
                                   for e in entries)
                          + E.totals(CP, 10, 0, 0, len(cp))))


@case(G)
def quoted_entry_with_blanks_same_as_unquoted(t):
    d = t.mkdir('my dir')
    cp = b'"' + d + b'";' + d + b';"' + d + b'\\"'
    t.run([], env={'CLASSPATH': cp},
          expect=E.report(E.line(DIR, d) + E.line(DIR, d, True)
                          + E.line(DIR, d + b'\\')
                          + E.totals(CP, 3, 0, 1, len(cp))))


@case(G)
def duplicates_found_within_one_list_only(t):
    d = t.mkdir('Dir')
    f = t.mkfile('Dir/f.jar')
    m = t.win('none')
    value = b';'.join([f, d, m, f])
    walk = (E.line(FILE, f) + E.line(DIR, d) + E.line(MISSING, m)
            + E.line(FILE, f, True))
    t.run(['-l', '-p'], env={'CLASSPATH': value, 'PATH': value, 'LIB': value},
          expect=E.report(walk + E.totals(CP, 4, 1, 1, len(value)),
                          walk + E.totals(PATH, 4, 1, 1, len(value)),
                          walk + E.totals(LIB, 4, 1, 1, len(value))))


@case(G)
def percent_signs_printed_literally(t):
    d = t.mkdir('50%d')
    f = t.mkfile('50%d/%s.jar')
    cp = b';'.join([b'%s%n%d', d, f, b'100%', b'%%'])
    path = b'%p%x;' + d
    t.run(['-p'], env={'CLASSPATH': cp, 'PATH': path},
          expect=E.report(E.line(MISSING, b'%s%n%d') + E.line(DIR, d)
                          + E.line(FILE, f) + E.line(MISSING, b'100%')
                          + E.line(MISSING, b'%%')
                          + E.totals(CP, 5, 3, 0, len(cp)),
                          E.line(MISSING, b'%p%x') + E.line(DIR, d)
                          + E.totals(PATH, 2, 1, 0, len(path))))


# ---------------------------------------------------------------------------
# Relative entries: always resolved from the start directory

@case(G)
def relative_entries_resolved_from_start_directory(t):
    t.mkfile('g/p/start/f.jar')
    t.mkfile('g/p/start/sub/inner.jar')
    t.mkfile('g/p/pmark.jar')
    t.mkfile('g/gmark.jar')
    g = t.win('g')
    # Neither entering sub, nor two trips to the parent, nor entering the
    # absolute directory g moves where later relative entries are looked for.
    cp_entries = [(b'sub', DIR, 0), (b'inner.jar', MISSING, 0),
                  (b'f.jar', FILE, 0), (b'..', DIR, 0), (b'..', DIR, 1),
                  (g, DIR, 0), (b'gmark.jar', MISSING, 0),
                  (b'..\\pmark.jar', FILE, 0), (b'pmark.jar', MISSING, 0),
                  (b'sub', DIR, 1), (b'f.jar', FILE, 1)]
    path_entries = [(b'..\\..\\gmark.jar', FILE, 0), (b'..', DIR, 0),
                    (b'pmark.jar', MISSING, 0), (b'sub', DIR, 0),
                    (b'..', DIR, 1), (b'f.jar', FILE, 0)]
    lib_entries = [(b'..', DIR, 0), (b'..', DIR, 1), (b'f.jar', FILE, 0),
                   (b'sub\\inner.jar', FILE, 0)]

    cp, out_cp = E.listed(CP, cp_entries)
    path, out_path = E.listed(PATH, path_entries)
    lib, out_lib = E.listed(LIB, lib_entries)
    t.run(['-p', '-l'], env={'CLASSPATH': cp, 'PATH': path, 'LIB': lib},
          cwd='g/p/start', expect=E.report(out_cp, out_path, out_lib))


@case(G)
def drive_relative_entries_on_start_drive(t):
    t.mkfile('start/f.jar')
    t.mkfile('start/sub/inner.jar')
    entries = [(b'Z:sub', DIR, 0), (b'Z:inner.jar', MISSING, 0),
               (b'Z:f.jar', FILE, 0), (b'Z:..', DIR, 0),
               (b'Z:sub\\inner.jar', FILE, 0), (b'Z:..\\start\\f.jar', FILE, 0),
               (b'z:f.jar', FILE, 1), (b'Z:sub', DIR, 1)]
    cp = b';'.join(e for e, _, _ in entries)
    t.run([], env={'CLASSPATH': cp}, cwd='start',
          expect=E.report(b''.join(E.line(s, e, d) for e, s, d in entries)
                          + E.totals(CP, 8, 1, 2, len(cp))))


@case(G)
def drive_record_of_other_drive_restored(t):
    # C: is not the start drive and has no recorded directory, so C:name
    # means C:\name. Entering C:windows must not leave C:\windows behind as
    # the directory of drive C for the next entry.
    t.mkdir('start')
    cp = b'C:windows;C:system32;C:windows;C:\\windows\\system32'
    t.run([], env={'CLASSPATH': cp}, cwd='start',
          expect=E.report(E.line(DIR, b'C:windows')
                          + E.line(MISSING, b'C:system32')
                          + E.line(DIR, b'C:windows', True)
                          + E.line(DIR, b'C:\\windows\\system32')
                          + E.totals(CP, 4, 1, 1, len(cp))))


# ---------------------------------------------------------------------------
# Length warning and the entry length limit

def _filled(head, tail, length):
    """head;filler;tail, the filler being missing names of at most 200
    characters, to exactly `length`."""
    fill = []
    room = length - len(head) - len(tail) - 2
    while room > 201:
        fill.append(b'm%d' % len(fill) + b'x' * (200 - len(b'm%d' % len(fill))))
        room -= 201
    fill.append(b'z' * room)
    value = b';'.join([head] + fill + [tail])
    assert len(value) == length
    return value


@case(G)
def classpath_warns_above_1024_then_walks_all(t):
    # 1024 characters draw nothing; 1025 draw both warning lines, and the
    # whole value is still walked.
    d = t.mkdir('Dir')
    f = t.mkfile('Dir/f.jar')
    for length in (1024, 1025):
        cp = _filled(d, f, length)
        t.run([], env={'CLASSPATH': cp},
              expect=E.report(E.walk(CP, cp, {d: DIR, f: FILE})))


@case(G)
def path_and_lib_of_3000_draw_no_warning(t):
    d = t.mkdir('Dir')
    f = t.mkfile('Dir/f.jar')
    long_value = _filled(d, f, 3000)
    t.run(['-p', '-l'], env={'CLASSPATH': f, 'PATH': long_value,
                             'LIB': long_value},
          expect=E.report(E.line(FILE, f) + E.totals(CP, 1, 0, 0, len(f)),
                          E.walk(PATH, long_value, {d: DIR, f: FILE}),
                          E.walk(LIB, long_value, {d: DIR, f: FILE})))


def _limit_case(value, entries, count, cp_kinds=None, cwd_files=()):
    """entries: the (text, status, dup) lines expected; everything that
    over-long segments leave over must simply be gone."""
    def run(t):
        for name in cwd_files:
            t.mkfile(b'start/' + name)
        t.mkdir('start')
        body = b''.join(E.line(s, e, d) for e, s, d in entries)
        nf = sum(s == MISSING for _, s, _ in entries)
        dups = sum(d for _, _, d in entries)
        warn = E.long_warning() if len(value) > 1024 else b''
        t.run([], env={'CLASSPATH': value}, cwd='start',
              expect=E.report(warn + body + E.totals(CP, count, nf, dups,
                                                     len(value))))
    return run


_X = b'x' * 2047
for _name, _value, _entries, _count in [
        ('entry_of_2048_taken_whole', _X + b'Y;B',
         [(_X + b'Y', MISSING, 0), (b'B', MISSING, 0)], 2),
        ('entry_of_2049_keeps_first_2048', _X + b'YZ',
         [(_X + b'Y', MISSING, 0)], 1),
        ('entry_of_2050_rest_passed_over', _X + b'YZZ;f.jar',
         [(_X + b'Y', MISSING, 0), (b'f.jar', FILE, 0)], 2),
        ('entry_of_4097_is_one_entry', b'v' * 4097 + b';f.jar;B',
         [(b'v' * 2048, MISSING, 0), (b'f.jar', FILE, 0), (b'B', MISSING, 0)],
         3),
        ('quote_after_2048_does_not_split', _X + b'Y";B',
         [(_X + b'Y', MISSING, 0), (b'B', MISSING, 0)], 2),
        ('quotes_around_2048_do_not_count',
         b'"' * 500 + b'q' * 1000 + b'""' + b'q' * 1048 + b'"',
         [(b'q' * 2048, MISSING, 0)], 1),
        ('cut_entries_compared_as_cut',
         b'w' * 2048 + b'AB;' + b'W' * 2048 + b'CD;f.jar',
         [(b'w' * 2048, MISSING, 0), (b'W' * 2048, MISSING, 1),
          (b'f.jar', FILE, 0)], 3),
        ('over_long_segment_at_end_then_final_separator',
         b'f.jar;' + b'u' * 3000 + b';',
         [(b'f.jar', FILE, 0), (b'u' * 2048, MISSING, 0)], 2)]:
    add_case(G, _name, _limit_case(_value, _entries, _count,
                                   cwd_files=[b'f.jar']))


@case(G)
def over_long_segments_in_path_and_lib(t):
    t.mkfile('start/f.jar')
    path = b'p' * 2050 + b';.;' + b'P' * 2049
    lib = b'l' * 4100 + b'";f.jar'
    t.run(['-p', '-l'], env={'CLASSPATH': 'f.jar', 'PATH': path, 'LIB': lib},
          cwd='start',
          expect=E.report(E.line(FILE, b'f.jar') + E.totals(CP, 1, 0, 0, 5),
                          E.line(MISSING, b'p' * 2048) + E.line(DIR, b'.')
                          + E.line(MISSING, b'P' * 2048, True)
                          + E.totals(PATH, 3, 2, 1, len(path)),
                          E.line(MISSING, b'l' * 2048) + E.line(FILE, b'f.jar')
                          + E.totals(LIB, 2, 1, 0, len(lib))))


@case(G)
def output_through_a_pipe(t):
    # A pipe is buffered like a file: everything must arrive at the end,
    # also when it is far more than one buffer.
    d = t.mkdir('Dir')
    entries = [t.mkfile(b'Dir/file%03d.jar' % i) for i in range(150)]
    cp = b';'.join(entries + [d])
    t.run([], env={'CLASSPATH': cp}, via_pipe=True,
          expect=E.report(E.walk(CP, cp, dict([(e, FILE) for e in entries]
                                              + [(d, DIR)]))))
