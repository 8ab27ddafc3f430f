// -w: which java, javac and javaw a console runs, and JAVA_HOME held against them.
#pragma once

// Prints the section: each name's matches in search order, then JAVA_HOME.
void report_java_programs();
// The java a console runs, found as -w finds it (one search serves both), sets the Java whose
// rules the class path is read by (class_path.java): its feature version, else Java 25. With
// `say`, the line that names it. Prints nothing of -w's.
void read_as_running_java(bool say);
// Gives back what the search kept; -w's report does so itself.
void java_search_release();
