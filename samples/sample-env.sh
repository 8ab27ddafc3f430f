# The bundled sample environment: a small tree of jar and zip files and
# search lists that show every kind of report line. Sourced by run.sh with
# SAMPLE_ROOT set to an empty directory; it fills the tree and exports
# CLASSPATH, LIB and WINEPATH (Wine hands the latter to the program as PATH).

mkdir -p "$SAMPLE_ROOT"/{app,jars,korvo,classes,bin,java/lib}
for f in ZANTH.CORE.JAR zanth.bridge.jar ORVIS.JAR NOMIA.JAR BRESK.JAR QUILLET.JAR MURREL.JAR TUVAK.JAR; do
  : >"$SAMPLE_ROOT/jars/$f"
done
: >"$SAMPLE_ROOT/korvo/KORVOJAVA.ZIP"
: >"$SAMPLE_ROOT/korvo/LUMBEN.ZIP"

# Windows spelling of the sample root: Wine shows / as drive Z:.
win_root="Z:$(printf '%s' "$SAMPLE_ROOT" | tr / '\\')"

CLASSPATH=".;..\\jars\\ZANTH.CORE.JAR;$win_root\\jars\\zanth.bridge.jar;..\\jars\\ORVIS.JAR"
CLASSPATH+=";..\\jars\\NOMIA.JAR;..\\jars\\BRESK.JAR;..\\jars\\QUILLET.JAR;..\\jars\\MURREL.JAR"
CLASSPATH+=";..\\jars\\TUVAK.JAR;..\\korvo\\KORVOJAVA.ZIP;..\\korvo\\LUMBEN.ZIP;..\\korvo\\ESKERO.ZIP"
CLASSPATH+=";..\\classes;;..\\JARS\\zanth.core.jar;\"$win_root\\jars\\Sorrek Beta.jar\""
export CLASSPATH
export WINEPATH="$win_root\\bin;$win_root\\java\\lib;C:\\Program Files\\Old SDK\\bin;$win_root\\BIN"
export LIB="$win_root\\lib;$win_root\\jars"
