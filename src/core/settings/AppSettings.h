// The settings of the program as held in memory, in declaration order. Field names are the
// names of their stored values where one exists. Values here are the ones in force at start.
#pragma once

#include <string>

#include "output/OutputItem.h"

namespace ombra::core {

struct AppSettings {
    std::string modelName;          // model of the instrument last identified; also the settings section
    int MeasurementTypeSel = 0;     // 0 reflection, otherwise irradiance
    int MeasurementCondSel = 0;
    int DensityWhiteRefSel = 0;
    int ObserverSel = 0;
    int IlluminantSel = 2;
    int PrevMeasSel = 1;            // measurement type code in force before the last change
    int PolarizationSel = 0;
    int MeasurementType = 1;        // bit code: 1 reflection, 4 irradiance
    int MeasurementCond = 4;        // bit code
    int Observer = 1;               // bit code
    int Illuminant = 4;             // bit code
    int Polarization = 0;           // 0 or 1
    std::string MeasTypeString;
    std::string MeasCondString;
    std::string DenWhiteRefString;
    std::string ObserverString;
    std::string IlluminantString;
    std::string PolarizationString;
    int Label = 1;                  // write labels with the values
    int Row = 0;                    // output direction
    int selectedInstrument = 0;     // index chosen in the connect dialog
    std::string serialNumberText = "0";
    int BlockSep = 0;               // 13 once loaded
    int ValSep = 5;
    int FuncSep = 5;
    bool densitySpectrumSelected = false;
    OutputItemList reflectionSelection;
    OutputItemList irradianceSelection;
    OutputItemList densitySpectrumItems;  // items of the reflection selection in 2380..2730
};

// The one settings object of the process (the application object's fields).
AppSettings &Settings();

}  // namespace ombra::core
