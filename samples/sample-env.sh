# The bundled sample environment: a small tree of jar and zip files and
# search lists that show every kind of report line. Sourced by run.sh with
# SAMPLE_ROOT set to an empty directory; it fills the tree and exports
# CLASSPATH, LIB, JAVA_HOME and WINEPATH (Wine hands the latter to the program as PATH).
# The logging directory holds real jars from Debian's libslf4j-java, two of
# them bindings of one logging interface: the class path takes them in
# through a wildcard, and -c shows which binding wins.

mkdir -p "$SAMPLE_ROOT"/{app,jars,korvo,classes/com/example,bin,java/lib,logging}
# The JMS and KORVO files are empty archives (an end record alone) but for
# QUILLET.JAR, a library built for Java 17 (class file version 61), newer than the
# java that runs (below); the classes directory holds the application's one class,
# built for Java 8 (52). -c shows which Java each needs, -w that the java that runs is too old.
for f in jars/{ZANTH.CORE.JAR,zanth.bridge.jar,ORVIS.JAR,NOMIA.JAR,BRESK.JAR,MURREL.JAR} \
  jars/TUVAK.JAR korvo/KORVOJAVA.ZIP korvo/LUMBEN.ZIP; do
  { printf 'PK\005\006'; head -c 18 /dev/zero; } >"$SAMPLE_ROOT/$f"
done
python3 - "$SAMPLE_ROOT" <<'PY'
import struct, sys, zipfile
def head(major): return b'\xca\xfe\xba\xbe\0\0\0' + bytes([major]) + bytes(200)
with zipfile.ZipFile(sys.argv[1] + '/jars/QUILLET.JAR', 'w', zipfile.ZIP_DEFLATED) as jar:
    for name in ('Queue', 'Topic'):
        jar.writestr('com/quillet/%s.class' % name, head(61))
def class_file(name, methods):
    """A class file for Java 8 whose static methods (name, descriptor) only return."""
    pool = []
    def const(entry):
        pool.append(entry)
        return len(pool)
    u2 = lambda v: struct.pack('>H', v)
    utf8 = lambda t: const(b'\1' + u2(len(t)) + t.encode())
    this = const(b'\7' + u2(utf8(name)))
    base = const(b'\7' + u2(utf8('java/lang/Object')))
    code_name = utf8('Code')
    body = b''
    for method, descriptor in methods:
        code = u2(0) + u2(2) + struct.pack('>I', 1) + b'\xb1' + u2(0) + u2(0)
        body += u2(9) + u2(utf8(method)) + u2(utf8(descriptor)) + u2(1)
        body += u2(code_name) + struct.pack('>I', len(code)) + code
    return (b'\xca\xfe\xba\xbe' + u2(0) + u2(52) + u2(len(pool) + 1) + b''.join(pool) + u2(0x21) +
            u2(this) + u2(base) + u2(0) + u2(0) + u2(len(methods)) + body + u2(0))
main = [('main', '([Ljava/lang/String;)V')]
open(sys.argv[1] + '/classes/com/example/Main.class', 'wb').write(class_file('com/example/Main', main))
# The report's entry point also draws charts, with the class of the jar an upgrade renamed.
draw = ('draw', '(Lcom/example/report/charts/Chart;)V')
open(sys.argv[1] + '/classes/com/example/Charts.class', 'wb').write(
    class_file('com/example/Charts', main + [draw]))
PY
cp /usr/share/java/slf4j-{api,simple,nop}.jar "$SAMPLE_ROOT/logging/"

# Windows spelling of the sample root: Wine shows / as drive Z:.
win_root="Z:$(printf '%s' "$SAMPLE_ROOT" | tr / '\\')"

CLASSPATH=".;..\\jars\\ZANTH.CORE.JAR;$win_root\\jars\\zanth.bridge.jar;..\\jars\\ORVIS.JAR"
CLASSPATH+=";..\\jars\\NOMIA.JAR;..\\jars\\BRESK.JAR;..\\jars\\QUILLET.JAR;..\\jars\\MURREL.JAR"
CLASSPATH+=";..\\jars\\TUVAK.JAR;..\\korvo\\KORVOJAVA.ZIP;..\\korvo\\LUMBEN.ZIP;..\\korvo\\ESKERO.ZIP"
CLASSPATH+=";..\\classes;;..\\JARS\\zanth.core.jar;\"$win_root\\jars\\Sorrek Beta.jar\";..\\logging\\*"
export CLASSPATH
export WINEPATH="$win_root\\bin;$win_root\\java\\lib;C:\\Program Files\\Old SDK\\bin;$win_root\\BIN"
export LIB="$win_root\\lib;$win_root\\jars"

# A second copy of the logging interface in another folder: every class of it
# is identical to the first copy's, so -c says it adds no class.
mkdir -p "$SAMPLE_ROOT/shared"
cp /usr/share/java/slf4j-api.jar "$SAMPLE_ROOT/shared/"
export CLASSPATH+=";..\\shared\\slf4j-api.jar"

# An application jar whose manifest names the jars beside it, as a build tool writes it:
# an upgrade replaced report-charts-2.1.jar with 2.2, so Java finds one of the two.
python3 - "$SAMPLE_ROOT/jars" <<'PY'
import sys, zipfile
def jar(name, classes, manifest=None):
    with zipfile.ZipFile(sys.argv[1] + '/' + name, 'w', zipfile.ZIP_DEFLATED) as z:
        if manifest:
            z.writestr('META-INF/MANIFEST.MF', manifest)
        for c in classes:
            z.writestr(c, b'')
jar('report.jar', ['com/example/report/Report.class'],
    'Manifest-Version: 1.0\r\nClass-Path: report-lib.jar report-charts-2.1.jar\r\n')
jar('report-lib.jar', ['com/example/report/lib/Tables.class'])
jar('report-charts-2.2.jar', ['com/example/report/charts/Chart.class'])
PY
export CLASSPATH+=";..\\jars\\report.jar"

# Two Java installations: a development kit that JAVA_HOME names, last on PATH, and an old
# runtime's java.exe and javaw.exe copied into the first PATH directory, which hide the kit's.
# Copies of the program ($SAMPLE_EXE) with other file versions stand in for them; the kit's
# release file gives its version.
java_copy() {
  python3 - "$SAMPLE_EXE" "$SAMPLE_ROOT/$1" "$2" <<'PY'
import struct, sys
data = bytearray(open(sys.argv[1], 'rb').read())
at = data.rindex(b'\xbd\x04\xef\xfe')  # the version resource's fixed file information
a, b, c, d = map(int, sys.argv[3].split('.'))
data[at + 8:at + 16] = struct.pack('<II', a << 16 | b, c << 16 | d)
open(sys.argv[2], 'wb').write(data)
PY
}
mkdir -p "$SAMPLE_ROOT/jdk-17/bin"
for f in java javac javaw; do java_copy "jdk-17/bin/$f.exe" 17.0.2.0; done
printf 'IMPLEMENTOR="Sample"\r\nJAVA_VERSION="17.0.2"\r\n' >"$SAMPLE_ROOT/jdk-17/release"
for f in java javaw; do java_copy "bin/$f.exe" 8.0.3910.13; done
export WINEPATH+=";$win_root\\jdk-17\\bin" JAVA_HOME="$win_root\\jdk-17"

# Two start scripts' java commands: the application's, whose main class loads from
# ..\classes, and the charts', which runs the kit's java and whose main class names a class
# of the jar report.jar's manifest still calls report-charts-2.1.jar; run.sh runs cpvalid in
# front of each.
printf '%s\r\n' 'java -cp ..\classes;..\jars\report.jar com.example.Main' >"$SAMPLE_ROOT/app/start.cmd"
printf '%s\r\n' '..\jdk-17\bin\java -cp ..\classes;..\jars\report.jar com.example.Charts' >"$SAMPLE_ROOT/app/broken.cmd"
