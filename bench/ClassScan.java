// The JVM's side of classes_compare.sh: the scan cpvalid -c makes, done with ZipFile. Opens each
// archive named, walks its entries and counts the class names, and those found in two or more.
import java.util.*;
import java.util.zip.*;

public class ClassScan {
  public static void main(String[] args) throws Exception {
    Map<String, String> first = new HashMap<>();  // name to the first archive that holds it
    Set<String> repeated = new HashSet<>();
    for (String archive : args) {
      try (ZipFile zip = new ZipFile(archive)) {
        for (Enumeration<? extends ZipEntry> e = zip.entries(); e.hasMoreElements();) {
          String name = e.nextElement().getName();
          if (name.endsWith(".class") && !name.startsWith("META-INF/")
              && !name.equals("module-info.class")) {
            String was = first.putIfAbsent(name, archive);
            if (was != null && was != archive) repeated.add(name);
          }
        }
      }
    }
    System.out.printf("Total classes = %d in %d archives, %d found more than once%n",
        first.size(), args.length, repeated.size());
  }
}
