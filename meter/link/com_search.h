#pragma once
// Finding the COM port of the meter device: the list of ports that open, and the search
// that tries them (the first port that opens, or the port whose controller answers).
// The progress window follows meterEvents()' searchProgress signals; its Cancel button
// calls cancelComSearch.

// Called by setOnLine when no port is set; ends on-line at the port found, or off-line
// with comPort 0 and a caption that says how to go on.
void searchComPorts();
// Lists every port 1..16 that opens (portListChanged).
void findAvailableComPorts();
// Ends a running search at its next wait or port; nothing is taken.
void cancelComSearch();
