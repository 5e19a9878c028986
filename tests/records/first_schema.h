#pragma once

#include <string>

namespace quorva::test {

// The records schema of the first release (version 1), with one chip and
// one sequence in it, as an older program left a database.
inline std::string firstSchemaWithAChip(const std::string& idColumn)
{
    return "CREATE TABLE chip_records (id " + idColumn +
           ", started_at TEXT NOT NULL, ended_at TEXT,"
           " station TEXT NOT NULL, user_name TEXT NOT NULL, program_version TEXT NOT NULL,"
           " com_number BIGINT NOT NULL, device_path TEXT NOT NULL, firmware TEXT NOT NULL, device TEXT NOT NULL,"
           " signature TEXT NOT NULL, project_path TEXT NOT NULL, steps TEXT NOT NULL, flash_file TEXT,"
           " flash_length BIGINT, flash_sha256 TEXT, flash_serial BIGINT, eeprom_file TEXT, eeprom_length BIGINT,"
           " eeprom_sha256 TEXT, eeprom_serial BIGINT, sequence_name TEXT NOT NULL, serial BIGINT,"
           " outcome TEXT NOT NULL, failing_step TEXT NOT NULL, last_status TEXT NOT NULL,"
           " duration_ms BIGINT NOT NULL);"
           "CREATE TABLE serial_sequences (name TEXT PRIMARY KEY, next_value BIGINT NOT NULL);"
           "INSERT INTO chip_records VALUES (1, '2026-01-05T10:00:00.000Z', '2026-01-05T10:00:03.000Z', 'old-pc',"
           " 'ivan', '11.55', 2, '/dev/ttyUSB1', '10c', 'ATmega8', '1E 93 07', '/p.quorva', 'Erase, Program Flash',"
           " 'a.hex', 8192, 'ff', 41, NULL, NULL, NULL, NULL, 'lot', 41, 'ok', '', '', 3000);"
           "INSERT INTO serial_sequences VALUES ('lot', 42);";
}

} // namespace quorva::test
