// The JVM's side of classes_compare.sh: the scan cpvalid -c makes, done with JarFile. Opens each
// archive named, and right after it those its manifest's Class-Path names, each path once; walks
// its entries and counts the class names, those found in two or more, and of those the ones with
// a later copy whose size or CRC-32 differs from the first copy's. Reads the first 8 bytes of
// each copy that loads through getInputStream (which finds a name's last entry, the one that
// loads) and prints, as cpvalid does, each archive's newest class file version: how many
// archives have it, and the first.
import java.io.*;
import java.util.*;
import java.util.jar.*;
import java.util.zip.*;

public class ClassScan {
  public static void main(String[] args) throws Exception {
    Map<String, String> first = new HashMap<>();  // name to the first archive that holds it
    Map<String, Long> loaded = new HashMap<>();  // and that copy's size and CRC-32
    Set<String> repeated = new HashSet<>(), different = new HashSet<>(), opened = new HashSet<>();
    TreeMap<Integer, String> firstOf = new TreeMap<>(Collections.reverseOrder());
    Map<Integer, Integer> elements = new HashMap<>();
    Deque<File> todo = new ArrayDeque<>();
    for (int i = args.length - 1; i >= 0; --i) todo.push(new File(args[i]));
    while (!todo.isEmpty()) {
      String archive = todo.pop().toPath().normalize().toString();
      if (!opened.add(archive) || !new File(archive).isFile()) continue;
      int newest = 0;
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
            if (was == null) newest = Math.max(newest, version(zip, entry));
            if (was != null && was != archive) repeated.add(name);
            if (was != null && was != archive && loaded.get(name) != copy) different.add(name);
          }
        }
      }
      if (newest > 0) {
        firstOf.putIfAbsent(newest, archive);
        elements.merge(newest, 1, Integer::sum);
      }
    }
    for (Map.Entry<Integer, String> v : firstOf.entrySet()) {
      int major = v.getKey(), count = elements.get(major);
      System.out.printf("Classes for Java %s (class file version %d) in %d element%s, first %s%n",
          major < 49 ? "1." + (major - 44) : "" + (major - 44), major, count,
          count == 1 ? "" : "s", v.getValue());
    }
    System.out.printf("Total classes = %d in %d archives, %d found more than once, %d of them"
        + " different%n", first.size(), opened.size(), repeated.size(), different.size());
  }

  // The major version in a class file's first 8 bytes; 0 when they are not a class file's.
  static int version(ZipFile zip, ZipEntry entry) {
    try (InputStream in = zip.getInputStream(entry)) {
      byte[] b = in.readNBytes(8);
      int major = b.length == 8 ? (b[6] & 0xFF) << 8 | (b[7] & 0xFF) : 0;
      boolean cafebabe = b.length == 8 && (b[0] & 0xFF) == 0xCA && (b[1] & 0xFF) == 0xFE
          && (b[2] & 0xFF) == 0xBA && (b[3] & 0xFF) == 0xBE;
      return cafebabe && major >= 45 ? major : 0;
    } catch (IOException e) {
      return 0;
    }
  }
}
