// -w: which java, javac and javaw a console runs, and JAVA_HOME held against them.
#pragma once

// Prints the section: each name's matches in search order, then JAVA_HOME.
void report_java_programs();
