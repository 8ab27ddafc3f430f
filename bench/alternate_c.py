"""alternate_c.py RUNS EXE...: whole `EXE -c` processes under Wine (wine64, or $LOADER), over every
jar under /usr/share/java (each real file once), the programs alternating run by run under one
persistent wineserver. Prints, per program, the median and minimum wall-clock time and CPU time of
the Wine process (user and system, from getrusage of the children; the server's is not counted)."""
import glob, os, resource, shutil, statistics, subprocess, sys, tempfile, time

runs, exes = int(sys.argv[1]), [os.path.realpath(e) for e in sys.argv[2:]]
loader, server = os.environ.get('LOADER', '/usr/lib/wine/wine64'), '/usr/lib/wine/wineserver'
scratch = tempfile.mkdtemp(prefix='cpvalid-alt.')
jars = sorted(set(os.path.realpath(f) for f in glob.glob('/usr/share/java/*.jar') if os.path.exists(f)))
env = dict(os.environ, WINEPREFIX=scratch + '/prefix', WINEDEBUG='-all', WINEDLLOVERRIDES='mscoree,mshtml=',
           CLASSPATH=';'.join('Z:' + j.replace('/', '\\') for j in jars))
env.pop('DISPLAY', None)
with open(scratch + '/setup.log', 'w') as log:  # a pipe would be held open by Wine's services
    for argv in [loader, 'wineboot', '--init'], [server, '-w'], [server, '-p'], [loader, 'cmd.exe', '/c', 'exit']:
        subprocess.run(argv, env=env, stdout=log, stderr=log)
wall, cpu = {e: [] for e in exes}, {e: [] for e in exes}
try:
    for _ in range(runs):
        for e in exes:
            was, start = resource.getrusage(resource.RUSAGE_CHILDREN), time.monotonic()
            with open(scratch + '/out.txt', 'w') as out:
                subprocess.run([loader, e, '-c'], env=env, stdout=out, stderr=subprocess.DEVNULL)
            now, used = time.monotonic(), resource.getrusage(resource.RUSAGE_CHILDREN)
            wall[e].append((now - start) * 1e3)
            cpu[e].append((used.ru_utime + used.ru_stime - was.ru_utime - was.ru_stime) * 1e3)
finally:
    subprocess.run([server, '-k'], env=env)
    shutil.rmtree(scratch, ignore_errors=True)
print('%d jars, %d runs each' % (len(jars), runs))
for e in exes:
    print('wall median %6.1f min %6.1f ms, CPU median %6.1f min %6.1f ms: %s' % (
        statistics.median(wall[e]), min(wall[e]), statistics.median(cpu[e]), min(cpu[e]), e))
