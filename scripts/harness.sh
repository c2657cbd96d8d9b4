#!/usr/bin/env bash
# Sourced by the scripts that run the client or its tests under Wine: the Wine
# environment (scripts/wine-env.sh) and the devserver (scripts/devserver.sh),
# both stopped when the script ends, however it ends.
source scripts/wine-env.sh
source scripts/devserver.sh
harness_stop() {
  devserver_stop
  wine_env_stop
}
trap harness_stop EXIT INT TERM
