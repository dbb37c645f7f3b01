#pragma once
// Finding the COM port of the meter device: the list of ports that open, and the search
// that tries them (the first port that opens, or the port whose controller answers).

class LinkProgress;

// Called by setOnLine when no port is set; ends on-line at the port found, or with the
// port field emptied.
void searchComPorts();
// Fills the setup window's port list with every port 1..16 that opens.
void findAvailableComPorts(LinkProgress* progress);
void findAvailableComPorts();
