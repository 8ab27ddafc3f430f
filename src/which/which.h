// Which java, javac and javaw a console runs: found as the console searches,
// with their versions, and JAVA_HOME held against them.
#pragma once

// Prints the section: each name's matches in search order, then JAVA_HOME.
void report_java_programs();
