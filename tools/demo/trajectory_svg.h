// A picture of several trajectories (height over range) as a standalone SVG file.
#ifndef DEMO_TRAJECTORY_SVG_H
#define DEMO_TRAJECTORY_SVG_H

#include <string>
#include <vector>

#include "flight.h"

namespace demo {

// Writes the flights' paths with axes and a legend; false if the file cannot be written.
bool writeTrajectorySvg(const std::string& path, const std::vector<const FlightSummary*>& flights);

}  // namespace demo

#endif
