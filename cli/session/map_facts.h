// What the plug-in set on a map it made, as the session reads it back.
#ifndef QUORVEL_CLI_SESSION_MAP_FACTS_H_
#define QUORVEL_CLI_SESSION_MAP_FACTS_H_

#include <string>

namespace quorvel::cli {

// What the plug-in set on one map.
struct MapFacts {
  std::string displayName;  // the name the plug-in gave the map
  float lowerThreshold = 0;
  float upperThreshold = 0;
};

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_SESSION_MAP_FACTS_H_
