#pragma once

// The enciphered parameter file, Parameter/Parameter.dat beside the program: the request paths
// (RequestUrls) and the merchant parameters (InterfacePRM).

// Fills RequestUrls and InterfacePRM from the file. Any failure is logged and leaves the merchant
// parameters empty; nothing is raised.
void LoadParameterFile();

// Writes the file from RequestUrls and InterfacePRM, replacing the old one whole. Raises Exception
// with the reason when it cannot; the old file then stays as it was.
void WriteParameterFile();

// WriteParameterFile with any failure logged instead; nothing is raised.
void SaveParameterFile();
