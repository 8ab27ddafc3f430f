// java's checks of the main class, on class files written here; java's lines as OpenJDK 17
// and 25 print them for the same files.
#include "loading/loading.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "../class_writer.h"
#include "loading/class_file.h"

namespace {

constexpr unsigned PUB = 0x1, PRIV = 0x2, STAT = 0x8, ABSTRACT_CLASS = 0x421, INTERFACE = 0x601;
const MethodSpec MAIN = {PUB | STAT, "main", "([Ljava/lang/String;)V", {}};
const MethodSpec INIT = {PUB, "<init>", "()V", {}};

// The class path: each class's file in an element named for it ("lib/Base.jar"), or a
// file over 16 MiB.
struct ClassPath {
  std::map<std::string, std::string> files;
  std::string element;
  int lookups = 0;
};

bool lookup(const char* name, ClassLookup& found, void* context) {
  ClassPath& path = *static_cast<ClassPath*>(context);
  ++path.lookups;
  auto file = path.files.find(name);
  if (file == path.files.end()) return false;
  path.element = "lib/" + file->first + ".jar";
  found = {static_cast<int>(path.files.size()), path.element.c_str(),
           reinterpret_cast<const unsigned char*>(file->second.data()), file->second.size(),
           file->second == "huge"};
  return true;
}

struct LoadCase {
  std::vector<ClassSpec> classes;
  std::map<std::string, std::string> raw;  // files written as given
  const char* main = "Main";
  int feature = 17;
  bool preview = false, fx_modules = false, jar_fx = false;
};

// The verdict as the report gives it: `loaded` when java loaded the main class, the
// preview warning, then the lines, java's and the reasons indented.
std::string check(const LoadCase& run) {
  ClassPath path;
  for (const ClassSpec& c : run.classes) path.files[c.name] = class_bytes(c);
  for (const auto& [name, bytes] : run.raw) path.files[name] = bytes;
  LoadQuery query = {run.main,       run.feature, "java", run.preview,
                     run.fx_modules, run.jar_fx,  lookup, &path};
  LoadVerdict verdict;
  load_main_class(query, verdict);
  std::string text = verdict.main_loaded ? "loaded\n" : "";
  if (verdict.preview_unchecked) text += "preview unchecked\n";
  if (verdict.outcome == LOAD_UNKNOWN) text += "unknown\n";
  const char* indent = verdict.outcome == LOAD_STOPS ? "    " : "";
  for (const char* line = load_first_line(verdict); line != nullptr;
       line = load_next_line(verdict, line))
    text += indent + std::string(line) + "\n";
  EXPECT_EQ(verdict.outcome == LOAD_STOPS, verdict.java_lines > 0) << text;
  load_release(verdict);
  return text;
}

ClassSpec with_main(const std::string& name, const std::string& super = "java/lang/Object",
                    std::vector<std::string> interfaces = {}) {
  return {name, super, interfaces, {MAIN}};
}

const std::string NOT_FOUND_17 =
    "    Error: Main method not found in class Main, please define the main method as:\n"
    "       public static void main(String[] args)\n"
    "    or a JavaFX application class must extend javafx.application.Application\n";

TEST(ClassFile, FaultsAsJavaNamesThem) {
  std::string good = class_bytes(with_main("p/Main"));
  ClassFile f;
  for (std::size_t cut = 0; cut < good.size(); ++cut) {
    std::string part = good.substr(0, cut);
    EXPECT_EQ(class_parse(reinterpret_cast<const unsigned char*>(part.data()), cut, CLASS_WHOLE, f),
              CLASS_TRUNCATED)
        << cut;
    class_release(f);
  }
  LoadCase run;
  run.main = "p.Main";
  run.raw["p/Main"] = "\xCA\xFE\xBA\xBF" + good.substr(4);
  EXPECT_EQ(check(run),
            "    Error: LinkageError occurred while loading main class p.Main\n"
            "    \tjava.lang.ClassFormatError: Incompatible magic value 3405691583 in class file "
            "p/Main\n    because p/Main.class is no class file java can read\n");
  // A Module constant (19) in a class file, and bytes after the class.
  run.raw["p/Main"] =
      good.substr(0, 8) + PoolWriter::u2(good[9] + 1) + good.substr(10, good.size() - 10);
  run.raw["p/Main"].insert(10, "\x13\0\1", 3);
  EXPECT_EQ(check(run),
            "    Error: LinkageError occurred while loading main class p.Main\n"
            "    \tjava.lang.ClassFormatError: Unknown constant tag 19 in class file p/Main\n"
            "    because p/Main.class is no class file java can read\n");
  run.raw["p/Main"] = good + "x";
  EXPECT_EQ(check(run),
            "    Error: LinkageError occurred while loading main class p.Main\n"
            "    \tjava.lang.ClassFormatError\n"
            "    because p/Main.class is no class file java can read\n");
  run.raw["p/Main"] = good.substr(0, 30);
  run.feature = 8;
  EXPECT_EQ(check(run),
            "    Error: A JNI error has occurred, please check your installation and try again\n"
            "    Exception in thread \"main\" java.lang.ClassFormatError: Truncated class file\n"
            "    because p/Main.class is no class file java can read\n");
}

TEST(ClassFile, LongAndDoubleTakeTwoSlotsAndTheHeadStopsAtThisClass) {
  // A Long at 1 (slots 1 and 2), then Utf8 "A" at 3 and Class at 4.
  std::string bytes = std::string("\xCA\xFE\xBA\xBE\0\0\0\x34\0\5", 10) + "\5" +
                      std::string(8, '\x7F') + std::string("\1\0\1A\7\0\3", 7) +
                      std::string("\0\x21\0\4\0\0\0\0", 8);
  ClassFile f;
  EXPECT_EQ(class_parse(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(),
                        CLASS_HEAD, f),
            CLASS_OK);
  ClassText name = class_name_at(f, f.this_class);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(name.bytes), name.len), "A");
  class_release(f);
  bytes[bytes.size() - 5] = 3;  // this_class on the Utf8
  EXPECT_EQ(class_parse(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(),
                        CLASS_HEAD, f),
            CLASS_MALFORMED);
  class_release(f);
}

TEST(MainClassLoad, ItsFileAndItsName) {
  LoadCase run;
  EXPECT_EQ(check(run),
            "    Error: Could not find or load main class Main\n"
            "    Caused by: java.lang.ClassNotFoundException: Main\n"
            "    because no element of the class path holds Main.class\n");
  run.main = "com/acme/Main";
  run.raw["com/acme/Main"] = class_bytes(with_main("Main"));
  EXPECT_EQ(check(run),
            "    Error: Could not find or load main class com.acme.Main\n"
            "    Caused by: java.lang.NoClassDefFoundError: com/acme/Main (wrong name: Main)\n"
            "    because lib/com/acme/Main.jar holds com/acme/Main.class, which is Main\n");
  run.feature = 8;
  EXPECT_EQ(check(run),
            "    Error: Could not find or load main class com.acme.Main\n"
            "    because lib/com/acme/Main.jar holds com/acme/Main.class, which is Main\n");
  run.raw["com/acme/Main"] = "huge";
  EXPECT_EQ(check(run),
            "***Warning - cpvalid reads class files up to 16 MiB: com/acme/Main.class "
            "in lib/com/acme/Main.jar is larger\n");
}

TEST(MainClassLoad, SupertypesDepthFirstInterfacesBeforeTheSuperclass) {
  LoadCase run;
  run.classes = {with_main("Main", "A", {"I", "J"})};
  EXPECT_EQ(check(run),
            "    Error: Could not find or load main class Main\n"
            "    Caused by: java.lang.NoClassDefFoundError: I\n"
            "    because no element of the class path holds I.class\n");
  run.classes.push_back({"I", "java/lang/Object", {"K"}, {}, INTERFACE});
  run.classes.push_back({"K", "java/lang/Object", {}, {}, INTERFACE});
  run.classes.push_back({"J", "java/lang/Object", {}, {}, INTERFACE, 66});
  EXPECT_EQ(check(run),
            "    Error: LinkageError occurred while loading main class Main\n"
            "    \tjava.lang.UnsupportedClassVersionError: J has been compiled by a more recent "
            "version of the Java Runtime (class file version 66.0), this version of the Java "
            "Runtime only recognizes class file versions up to 61.0\n"
            "    because lib/J.jar needs Java 22, and java is Java 17\n");
  run.feature = 25;
  EXPECT_EQ(check(run),
            "    Error: Could not find or load main class Main\n"
            "    Caused by: java.lang.NoClassDefFoundError: A\n"
            "    because no element of the class path holds A.class\n");
  run.classes.push_back({"A", "B"});
  run.classes.push_back({"B", "C"});
  run.classes.push_back({"C", "B"});
  EXPECT_EQ(check(run),
            "    Error: LinkageError occurred while loading main class Main\n"
            "    \tjava.lang.ClassCircularityError: B\n");
  run.classes.back().super = "javax/xml/bind/JAXBElement";
  EXPECT_EQ(check(run),
            "    Error: Could not find or load main class Main\n"
            "    Caused by: java.lang.NoClassDefFoundError: javax/xml/bind/JAXBElement\n"
            "    because no element of the class path holds javax/xml/bind/JAXBElement.class\n");
  run.classes[3].major = 52;
  run.feature = 8;
  EXPECT_EQ(check(run), "loaded\n");
  run.feature = 11;
  run.classes.back().super = "javax/swing/JFrame";
  EXPECT_EQ(check(run), "loaded\n");
}

TEST(MainClassLoad, ABodyFaultShowsAfterTheInterfacesAndTheDepthHasALimit) {
  LoadCase run;
  run.raw["Main"] = class_bytes(with_main("Main", "java/lang/Object", {"I"})) + "x";
  EXPECT_EQ(check(run),
            "    Error: Could not find or load main class Main\n"
            "    Caused by: java.lang.NoClassDefFoundError: I\n"
            "    because no element of the class path holds I.class\n");
  run.raw.clear();
  run.classes = {with_main("Main", "C0")};
  for (int i = 0; i < 1005; ++i)
    run.classes.push_back({"C" + std::to_string(i), "C" + std::to_string(i + 1)});
  EXPECT_EQ(check(run),
            "***Warning - cpvalid follows superclasses 1000 deep: it stopped at C1000\n");
}

TEST(JavaFX, ApplicationOnTheClassPathOrInTheManifest) {
  LoadCase run;
  run.classes = {with_main("Main", "javafx/application/Application"),
                 {"javafx/application/Application", "java/lang/Object", {}, {}, ABSTRACT_CLASS}};
  const std::string missing =
      "    Error: JavaFX runtime components are missing, and are required to run this "
      "application\n";
  EXPECT_EQ(check(run), "loaded\n" + missing);
  run.fx_modules = true;
  EXPECT_EQ(check(run), "loaded\nunknown\n");
  run.feature = 8;
  EXPECT_EQ(check(run), "loaded\n");
  run = {};
  run.jar_fx = true;
  EXPECT_EQ(check(run), missing);
  EXPECT_TRUE(load_adds_javafx("java.sql,javafx.controls") && load_adds_javafx("ALL-MODULE-PATH"));
  EXPECT_FALSE(load_adds_javafx("javafx.") || load_adds_javafx("java.base,ALL-SYSTEM"));
}

TEST(MethodTypes, PublicMethodsOfTheClassAndItsSupertypes) {
  LoadCase run;
  run.classes = {{"Main", "A", {}, {MAIN, {PUB, "f", "(I[[LX;)V", {}}, {PRIV, "g", "()LY;", {}}}},
                 {"A", "java/lang/Object", {}, {{PUB, "h", "()V", {"E"}}}}};
  const std::string x =
      "    Error: Unable to initialize main class Main\n"
      "    Caused by: java.lang.NoClassDefFoundError: [[LX;\n"
      "    because no element of the class path holds X.class\n";
  EXPECT_EQ(check(run), "loaded\n" + x);
  run.feature = 25;  // a public main(String[]): the private method is not looked at
  EXPECT_EQ(check(run), "loaded\n" + x);
  run.classes[0].methods[0].name = "start";  // no main(String[]): every method of Main
  run.classes[0].methods[2].descriptor = "(LY;LZ;LY;)V";
  run.classes.push_back({"X"});
  run.classes.push_back({"E"});
  EXPECT_EQ(check(run),
            "loaded\n    Error: Unable to initialize main class Main\n"
            "    because no element of the class path holds Y.class\n"
            "    because no element of the class path holds Z.class\n");
  run.feature = 17;
  EXPECT_EQ(check(run), "loaded\n" + NOT_FOUND_17);
  run.classes.pop_back();
  run.feature = 8;
  EXPECT_EQ(check(run),
            "loaded\n    Error: A JNI error has occurred, please check your installation and "
            "try again\n    Exception in thread \"main\" java.lang.NoClassDefFoundError: E\n"
            "    because no element of the class path holds E.class\n");
}

TEST(MainMethod, Before25) {
  LoadCase run;
  run.classes = {{"Main", "A", {}, {{PUB, "main", "([Ljava/lang/String;)V", {}}}}, {"A"}};
  EXPECT_EQ(check(run),
            "loaded\n    Error: Main method is not static in class Main, please define the "
            "main method as:\n       public static void main(String[] args)\n");
  run.classes[0].methods[0] = {PUB | STAT, "main", "()V", {}};
  run.classes[1].methods = {{PUB | STAT, "main", "([Ljava/lang/String;)I", {}}};
  EXPECT_EQ(check(run),
            "loaded\n    Error: Main method must return a value of type void in class A, "
            "please \n    define the main method as:\n       public static void main(String[] "
            "args)\n");
  run.classes[1].methods = {{STAT, "main", "([Ljava/lang/String;)V", {}}};
  EXPECT_EQ(check(run), "loaded\n" + NOT_FOUND_17);
  run.classes[1].methods = {MAIN};
  run.feature = 8;
  EXPECT_EQ(check(run), "loaded\n");
  run.feature = 21;
  run.preview = true;
  run.classes[1].methods.clear();
  EXPECT_EQ(check(run), "loaded\npreview unchecked\n");
}

TEST(MainMethod, Java25InstanceMains) {
  LoadCase run;
  run.feature = 25;
  run.classes = {{"Main", "A", {}, {{PUB | STAT, "main", "([Ljava/lang/String;)I", {}}}},
                 {"A", "java/lang/Object", {}, {{0, "main", "()V", {}}, INIT}}};
  EXPECT_EQ(check(run),
            "loaded\n    Error: no non-private zero argument constructor found in class A\n"
            "    remove private from existing constructor or define as:\n       public A()\n");
  run.classes[0].methods.push_back({0, "<init>", "()V", {}});
  EXPECT_EQ(check(run), "loaded\n");
  run.classes[0].flags = ABSTRACT_CLASS;
  EXPECT_EQ(check(run),
            "loaded\n    Error: abstract class A can not be instantiated\n"
            "    please use a concrete class\n");
  run.classes[0].flags = 0x21;
  run.classes[0].inner = true;
  run.classes[0].outer = "Out";
  EXPECT_EQ(check(run),
            "loaded\n    Error: non-static inner class A constructor can not be invoked \n"
            "    make inner class static or move inner class out to separate source file\n");
  run.classes[0].inner_flags = STAT;
  run.classes[1].methods[0].flags = PRIV;
  run.classes[0].interfaces = {"I"};
  EXPECT_EQ(check(run),
            "    Error: Could not find or load main class Main\n"
            "    Caused by: java.lang.NoClassDefFoundError: I\n"
            "    because no element of the class path holds I.class\n");
  run.classes.push_back({"I", "java/lang/Object", {}, {{PUB, "main", "()V", {}}}, INTERFACE});
  EXPECT_EQ(check(run), "loaded\n");
  run.classes.back().methods[0].flags = PUB | STAT;
  std::string not_found = NOT_FOUND_17;
  EXPECT_EQ(check(run), "loaded\n" + not_found);
}

}  // namespace
