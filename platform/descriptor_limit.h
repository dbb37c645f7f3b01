#pragma once
// The process's limit on open descriptors. The program raises it once at
// start; the web server sizes its line of waiting connections from it.

// Raises the soft limit to the hard one and returns the soft limit in force
// afterwards (unchanged when the system refuses).
int raiseDescriptorLimit();
// The soft limit in force.
int descriptorLimit();
