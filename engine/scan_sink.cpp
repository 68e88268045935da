#include "engine/scan_sink.h"

#include <utility>

#include "engine/name_clean.h"

void TableSink::Arg(std::uint16_t nodeIndex, const std::uint8_t* name, std::size_t length,
                    std::uint16_t arg, NodeKind kind) {
  AddArgRecord(args_,
               MakeArgRecord(nodeIndex, RecordName(CleanNameBytes(name, length), unnamedCounter_),
                             arg, kind));
}

void TableSink::Connector(std::uint16_t nodeRef, const std::uint8_t* name, std::size_t length) {
  AddConnector(connectors_, nodeRef, ConnectorRecord{CleanNameBytes(name, length), nodeRef});
}
