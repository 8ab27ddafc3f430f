// The JVM's side of classes_compare.sh: the scan cpvalid -c makes, done with JarFile. Opens each
// archive named, and right after it those its manifest's Class-Path names, each path once; walks
// its entries and counts the class names, those found in two or more, and of those the ones with
// a later copy whose size or CRC-32 differs from the first copy's.
import java.io.File;
import java.util.*;
import java.util.jar.*;
import java.util.zip.*;

public class ClassScan {
  public static void main(String[] args) throws Exception {
    Map<String, String> first = new HashMap<>();  // name to the first archive that holds it
    Map<String, Long> loaded = new HashMap<>();  // and that copy's size and CRC-32
    Set<String> repeated = new HashSet<>(), different = new HashSet<>(), opened = new HashSet<>();
    Deque<File> todo = new ArrayDeque<>();
    for (int i = args.length - 1; i >= 0; --i) todo.push(new File(args[i]));
    while (!todo.isEmpty()) {
      String archive = todo.pop().toPath().normalize().toString();
      if (!opened.add(archive) || !new File(archive).isFile()) continue;
      try (JarFile zip = new JarFile(archive)) {
        Manifest manifest = zip.getManifest();
        String cp = manifest == null ? null : manifest.getMainAttributes().getValue("Class-Path");
        String[] entries = cp == null ? new String[0] : cp.trim().split("\\s+");
        for (int i = entries.length - 1; i >= 0; --i)
          todo.push(entries[i].startsWith("/") ? new File(entries[i])
                                               : new File(new File(archive).getParent(), entries[i]));
        for (Enumeration<? extends ZipEntry> e = zip.entries(); e.hasMoreElements();) {
          ZipEntry entry = e.nextElement();
          String name = entry.getName();
          if (name.endsWith(".class") && !name.startsWith("META-INF/")
              && !name.equals("module-info.class")) {
            long copy = entry.getSize() << 32 | entry.getCrc();
            String was = first.putIfAbsent(name, archive);
            if (was == null) loaded.put(name, copy);
            if (was != null && was != archive) repeated.add(name);
            if (was != null && was != archive && loaded.get(name) != copy) different.add(name);
          }
        }
      }
    }
    System.out.printf("Total classes = %d in %d archives, %d found more than once, %d of them"
        + " different%n", first.size(), opened.size(), repeated.size(), different.size());
  }
}
