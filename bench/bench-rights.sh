# Sourced by the benchmarks. Adds a card holder week program and ten doors straight into a server's
# database (the API has no door resource; WAL mode lets the shell write beside the running server) and
# prints the "accessRights" JSON of a group granting all ten doors with it.
bench_rights() { # database file
  local week
  sqlite3 "$1" "INSERT INTO CommonWeekPrograms (NAME, TYPE, IS_SYSTEM) VALUES ('bench', 10, 0);"
  for i in $(seq 10); do sqlite3 "$1" "INSERT INTO AccessDoors (NAME) VALUES ('bench door $i');"; done
  week=$(sqlite3 "$1" "SELECT MAX(ID) FROM CommonWeekPrograms;")
  sqlite3 "$1" "SELECT group_concat('{\"doorID\":{\"id\":' || ID || '},\"weekProgramID\":{\"id\":$week}}', ',') FROM AccessDoors;"
}
