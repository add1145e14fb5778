-- SAMPLE DATA -- a demonstration product database. It describes no real device; it exists for
-- development, the tests and the simulated bench. The build turns this file into VuzUvazuzuvar.db.
--
-- The program reads every table with SELECT * and takes the columns by position: when editing, keep
-- each column where it is. Columns marked "not read" are named only in WHERE clauses or not at all.
--
-- Texts are stored as ISO 8859-1 bytes, one byte per character, as the program expects them.
-- Accented letters are therefore written as byte pieces, never as UTF-8 in this file:
--   CAST(X'E0' AS TEXT) = a grave   CAST(X'E8' AS TEXT) = e grave   CAST(X'E9' AS TEXT) = e acute
--   CAST(X'EA' AS TEXT) = e circumflex
-- Rows come back in insertion order (no keys, no indexes): the order of the INSERTs below is the
-- order of the functions on the screen and of the values in their lists.

BEGIN TRANSACTION;

-- One row per product description: an identification byte and a range of version words
-- (version * 256 + sub-version).
CREATE TABLE Products (
    ModuleInfo_Length INTEGER,        -- 0: bytes of the module information block (at most 3)
    ModuleInfo_Address INTEGER,       -- 1: product memory address of that block
    Module_DirectConnection INTEGER,  -- 2: 1 = the module can be reached directly
    Ver_low INTEGER,                  -- 3
    Ver_high INTEGER,                 -- 4
    Module INTEGER,                   -- 5: 1 = a module follows the product
    Comment TEXT,                     -- 6: not read
    WaitTime INTEGER,                 -- 7
    Name TEXT,                        -- 8
    Identification_2 INTEGER,         -- 9
    Identification_1 INTEGER,         -- 10
    Product_key INTEGER               -- 11: matched by Programmer_Quillomark.Products_ID
);

INSERT INTO Products VALUES
    (0, 0x00, 0, 0x0100, 0x02FF, 0, 'Main demo product: default-settings menu', 100, 'TAVIRON A37', 0, 37, 1),
    (3, 0x30, 0, 0x0100, 0x03FF, 1, 'Configuration menu, module through the product', 100, 'TAVIRON ZED 63', 0, 63, 2),
    (3, 0x30, 1, 0x0000, 0x01FF, 1, 'Module configured before it is asked for its information', 150, 'TAVIRON C44', 0, 44, 3),
    (0, 0x00, 0, 0x0100, 0x02FF, 0, 'No product menu', 100, 'TAVIRON 12', 0, 12, 4),
    (0, 0x00, 0, 0x0200, 0x02FF, 0, 'Overlaps the row above from version 2.0: this later row wins', 100, 'TAVIRON 12 Plus', 0, 12, 5),
    (3, 0x30, 1, 0x0100, 0x01FF, 1, 'Slot module VRAK-1 wired to the cable', 100, 'TAVIRON D51', 0, 51, 6),
    (3, 0x30, 1, 0x0100, 0x01FF, 1, 'Slot module VRAK-2 wired to the cable', 100, 'TAVIRON D52', 0, 52, 7),
    (3, 0x30, 1, 0x0400, 0x04FF, 1, 'Configuration menu, slot module VRAK-2 wired to the cable', 100, 'TAVIRON ZED 63 D', 0, 63, 8);

-- One row per module software type.
CREATE TABLE Modules (
    Speed INTEGER,            -- 0: link speed code
    UnlockFlashKey2 INTEGER,  -- 1
    UnlockFlashKey1 INTEGER,  -- 2
    BytesPerSlot INTEGER,     -- 3: at least 32
    SlotsPerBlock INTEGER,    -- 4
    DirectConnection INTEGER, -- 5
    MaxParameter_C INTEGER,   -- 6: C selector
    MaxParameter_B INTEGER,   -- 7: B selector
    MaxParameter_A INTEGER,   -- 8: mask of the A parameter group
    Name TEXT,                -- 9
    SwType INTEGER,           -- 10: not read
    Comment TEXT,             -- 11: not read
    Reserved INTEGER,         -- 12: not read
    Module_key INTEGER        -- 13: matched by Modules_Parameters_B_C.Modules_ID
);

INSERT INTO Modules VALUES
    (3, 0x5A, 0xA5, 256, 4, 1, 0x0003, 0, 0, 'VRAK-1', 0xA1, 'Slot module', 0, 1),
    (3, 0x5A, 0xA5, 256, 4, 1, 0x0003, 0, 0, 'VRAK-2', 0xA2, 'Slot module with protection and event log', 0, 2),
    (2, 0x00, 0x00, 64, 1, 0, 0x000F, 0, 15, 'AUX-16', 16, 'Through the product', 0, 3),
    (2, 0x00, 0x00, 64, 1, 0, 0x0003, 0, 15, 'AUX-31', 31, 'Through the product', 0, 4),
    (2, 0x00, 0x00, 64, 1, 1, 0x000C, 1, 15, 'AUX-47', 47, 'Through the product or direct', 0, 5),
    (2, 0x00, 0x00, 64, 1, 1, 0x0000, 1, 15, 'AUX-81', 0x81, 'Through the product or direct', 0, 6);

-- One row per selectable value of a module parameter. Mask names the group: the A group carries
-- the module's A selector, the B/C groups 0x0003, 0x000C and 0x0100 (each present only when the
-- module's B/C selector word has those bits). Slot_source lists the module's protocols when the
-- module is reached through the product: its leading number is the slot.
CREATE TABLE Modules_Parameters_B_C (
    Name_EN TEXT,       -- 0
    Name_IT TEXT,       -- 1
    Name_FR TEXT,       -- 2
    Value INTEGER,      -- 3
    Mask INTEGER,       -- 4
    Slot_source TEXT,   -- 5
    Modules_ID INTEGER  -- 6: not read
);

INSERT INTO Modules_Parameters_B_C VALUES
    ('CAN 500 kbit/s', 'CAN 500 kbit/s', 'CAN 500 kbit/s', 0, 0x0003, '1 CAN high speed', 1),
    ('CAN 125 kbit/s', 'CAN 125 kbit/s', 'CAN 125 kbit/s', 1, 0x0003, '2 CAN low speed', 1),
    ('CAN 500 kbit/s', 'CAN 500 kbit/s', 'CAN 500 kbit/s', 0, 0x0003, '1 CAN high speed', 2),
    ('CAN 125 kbit/s', 'CAN 125 kbit/s', 'CAN 125 kbit/s', 1, 0x0003, '2 CAN low speed', 2),
    ('High speed', 'Velocit' || CAST(X'E0' AS TEXT) || ' alta', 'Vitesse ' || CAST(X'E9' AS TEXT) || 'lev' || CAST(X'E9' AS TEXT) || 'e', 2, 0x0003, '3 CAN fast', 2),
    ('Protocol 1', 'Protocollo 1', 'Protocole 1', 1, 15, '1 Generic CAN', 3),
    ('Protocol 2', 'Protocollo 2', 'Protocole 2', 2, 15, '2 Generic K-line', 3),
    ('Input 1 off', 'Ingresso 1 spento', 'Entr' || CAST(X'E9' AS TEXT) || 'e 1 arr' || CAST(X'EA' AS TEXT) || 't', 0, 0x0003, '3 Input 1', 3),
    ('Input 1 positive', 'Ingresso 1 positivo', 'Entr' || CAST(X'E9' AS TEXT) || 'e 1 positive', 1, 0x0003, '4 Input 1 +', 3),
    ('Input 1 negative', 'Ingresso 1 negativo', 'Entr' || CAST(X'E9' AS TEXT) || 'e 1 n' || CAST(X'E9' AS TEXT) || 'gative', 2, 0x0003, '5 Input 1 -', 3),
    ('Input 2 off', 'Ingresso 2 spento', 'Entr' || CAST(X'E9' AS TEXT) || 'e 2 arr' || CAST(X'EA' AS TEXT) || 't', 0, 0x000C, '6 Input 2', 3),
    ('Input 2 positive', 'Ingresso 2 positivo', 'Entr' || CAST(X'E9' AS TEXT) || 'e 2 positive', 4, 0x000C, '7 Input 2 +', 3),
    ('Protocol 1', 'Protocollo 1', 'Protocole 1', 1, 15, '1 Generic CAN', 4),
    ('Protocol 3', 'Protocollo 3', 'Protocole 3', 3, 15, '3 Bus van', 4),
    ('Normal', 'Normale', 'Normal', 0, 0x0003, '4 Normal', 4),
    ('Fast', 'Veloce', 'Rapide', 1, 0x0003, '5 Fast', 4),
    ('Protocol 1', 'Protocollo 1', 'Protocole 1', 1, 15, '1 Generic CAN', 5),
    ('Input 2 off', 'Ingresso 2 spento', 'Entr' || CAST(X'E9' AS TEXT) || 'e 2 arr' || CAST(X'EA' AS TEXT) || 't', 0, 0x000C, '2 Input 2', 5),
    ('Input 2 on', 'Ingresso 2 attivo', 'Entr' || CAST(X'E9' AS TEXT) || 'e 2 active', 8, 0x000C, '3 Input 2 on', 5),
    ('Horn off', 'Clacson spento', 'Klaxon arr' || CAST(X'EA' AS TEXT) || 't', 0, 0x0100, '4 Horn', 5),
    ('Horn on', 'Clacson attivo', 'Klaxon actif', 256, 0x0100, '5 Horn on', 5),
    ('Protocol 1', 'Protocollo 1', 'Protocole 1', 1, 15, '1 Generic CAN', 6),
    ('Protocol 2', 'Protocollo 2', 'Protocole 2', 2, 15, '2 Generic K-line', 6),
    ('Wireless off', 'Radio spenta', 'Radio arr' || CAST(X'EA' AS TEXT) || 't' || CAST(X'E9' AS TEXT) || 'e', 0, 0x0100, '3 Wireless', 6),
    ('Wireless on', 'Radio attiva', 'Radio active', 256, 0x0100, '4 Wireless on', 6);

-- Display names of the protocol groups that slots refer to.
CREATE TABLE Protocol_group_name (
    Group_number INTEGER,  -- 0: not read
    Group_name TEXT        -- 1
);

INSERT INTO Protocol_group_name VALUES
    (1, 'Passenger cars CAN'),
    (2, 'Light commercial vehicles'),
    (3, 'Two-wheelers'),
    (4, 'V' || CAST(X'E9' AS TEXT) || 'hicules sp' || CAST(X'E9' AS TEXT) || 'ciaux');

-- One row per function offered on a product, in screen order.
CREATE TABLE Programmer_Quillomark (
    Products_ID INTEGER,  -- 0: not read; the product key
    Enabled INTEGER,      -- 1: not read; 1 = offered
    Comment TEXT,         -- 2: not read
    FncName_key INTEGER,  -- 3: function name key, matched by Fnc_Name.FncName_ID
    Function_key INTEGER  -- 4: matched by Parameters_Addr.ProgrammerQuillomark_ID
);

INSERT INTO Programmer_Quillomark VALUES
    -- TAVIRON A37: all six kinds; siren and mode share the byte at 0x10.
    (1, 1, 'list, bits 0-1 of 0x10', 1, 101),
    (1, 1, 'list, bits 2-3 of 0x10', 2, 102),
    (1, 1, 'range 0..3', 3, 103),
    (1, 1, 'digits, 4 bytes', 4, 104),
    (1, 1, 'hexadecimal, 2 bytes', 5, 105),
    (1, 1, 'number, 2 bytes', 6, 106),
    (1, 1, 'action', 7, 107),
    (1, 0, 'disabled: not offered', 8, 108),
    (1, 1, 'list, 2 bytes; name key 300 numbers as row 30', 300, 109),
    -- TAVIRON ZED 63
    (2, 1, NULL, 1, 201),
    (2, 1, NULL, 3, 202),
    (2, 1, NULL, 9, 203),
    (2, 1, NULL, 5, 204),
    -- TAVIRON C44
    (3, 1, NULL, 1, 301),
    (3, 1, NULL, 6, 302),
    -- TAVIRON 12 and TAVIRON 12 Plus
    (4, 1, NULL, 1, 401),
    (5, 1, NULL, 1, 501),
    (5, 1, NULL, 3, 502),
    -- TAVIRON D51 and TAVIRON D52 (slot modules wired to the cable): the siren list of TAVIRON 12
    (6, 1, NULL, 1, 401),
    (7, 1, NULL, 1, 401),
    -- TAVIRON ZED 63 D (version 4, the slot module VRAK-2 wired to the cable): the functions of TAVIRON ZED 63
    (8, 1, NULL, 1, 201),
    (8, 1, NULL, 3, 202),
    (8, 1, NULL, 9, 203),
    (8, 1, NULL, 5, 204);

-- One row per function name, in three languages, with the tool tips.
CREATE TABLE Fnc_Name (
    Name_EN TEXT,         -- 0
    Name_IT TEXT,         -- 1
    FncName_ID INTEGER,   -- 2: not read
    Name_FR TEXT,         -- 3
    Short_name TEXT,      -- 4: not read
    Unit TEXT,            -- 5: not read
    Category TEXT,        -- 6: not read
    Comment TEXT,         -- 7: not read
    Description_EN TEXT,  -- 8
    Description_IT TEXT,  -- 9
    Description_FR TEXT   -- 10
);

INSERT INTO Fnc_Name VALUES
    ('Siren', 'Sirena', 1, 'Sir' || CAST(X'E8' AS TEXT) || 'ne', 'SIR', NULL, 'Alarm', NULL,
     'Siren sound when the alarm goes off', 'Suono della sirena in allarme',
     'Son de la sir' || CAST(X'E8' AS TEXT) || 'ne en alarme'),
    ('Operating mode', 'Modalit' || CAST(X'E0' AS TEXT) || ' di funzionamento', 2,
     'S' || CAST(X'E9' AS TEXT) || 'lection du mode', 'MODE', NULL, 'Alarm', NULL,
     'How the alarm reacts when armed', 'Comportamento dell''allarme inserito',
     'R' || CAST(X'E9' AS TEXT) || 'action de l''alarme arm' || CAST(X'E9' AS TEXT) || 'e'),
    ('Arming delay', 'Ritardo di inserimento', 3, 'D' || CAST(X'E9' AS TEXT) || 'lai d''armement', 'DLY', 's', 'Alarm', NULL,
     'Seconds between locking and arming', 'Secondi tra chiusura e inserimento',
     'Secondes entre verrouillage et armement'),
    ('Entry code', 'Codice di accesso', 4, 'Code d''entr' || CAST(X'E9' AS TEXT) || 'e', 'CODE', NULL, 'Security', NULL,
     'Emergency code, one digit 1 to 9 per position', 'Codice di emergenza, una cifra da 1 a 9 per posizione',
     'Code de secours, un chiffre de 1 ' || CAST(X'E0' AS TEXT) || ' 9 par position'),
    ('Serial number', 'Numero di serie', 5, 'Num' || CAST(X'E9' AS TEXT) || 'ro de s' || CAST(X'E9' AS TEXT) || 'rie', 'SN', NULL, 'Identity', NULL,
     'Serial number in hexadecimal', 'Numero di serie in esadecimale',
     'Num' || CAST(X'E9' AS TEXT) || 'ro de s' || CAST(X'E9' AS TEXT) || 'rie en hexad' || CAST(X'E9' AS TEXT) || 'cimal'),
    ('Alarm duration (s)', 'Durata allarme (s)', 6, 'Dur' || CAST(X'E9' AS TEXT) || 'e de l''alarme (s)', 'DUR', 's', 'Alarm', NULL,
     'Alarm cycle length, 10 to 600 seconds', 'Durata del ciclo di allarme, da 10 a 600 secondi',
     'Dur' || CAST(X'E9' AS TEXT) || 'e du cycle d''alarme, de 10 ' || CAST(X'E0' AS TEXT) || ' 600 secondes'),
    ('Clear remote controls', 'Cancella telecomandi', 7, 'Effacer les t' || CAST(X'E9' AS TEXT) || 'l' || CAST(X'E9' AS TEXT) || 'commandes', 'CLR', NULL, 'Remote', NULL,
     'Forgets every learnt remote control', 'Cancella tutti i telecomandi appresi',
     'Oublie toutes les t' || CAST(X'E9' AS TEXT) || 'l' || CAST(X'E9' AS TEXT) || 'commandes apprises'),
    ('Service mode', 'Modalit' || CAST(X'E0' AS TEXT) || ' assistenza', 8, 'Mode entretien', 'SRV', NULL, 'Service', NULL,
     'Keeps the alarm off during workshop service', 'Disattiva l''allarme in officina',
     'D' || CAST(X'E9' AS TEXT) || 'sactive l''alarme ' || CAST(X'E0' AS TEXT) || ' l''atelier'),
    ('Indicator flashes', 'Lampeggi degli indicatori', 9, 'Clignotements', 'FLS', NULL, 'Signals', NULL,
     'Flashes of the indicators on arming', 'Lampeggi degli indicatori all''inserimento',
     'Clignotements ' || CAST(X'E0' AS TEXT) || ' l''armement'),
    ('Central locking', 'Chiusura centralizzata', 300, 'Verrouillage centralis' || CAST(X'E9' AS TEXT), 'LCK', NULL, 'Comfort', NULL,
     'Output that drives the door locks', 'Uscita che comanda le serrature',
     'Sortie qui commande les serrures');

-- The memory location of each function. Address, length and mask say where the value lives;
-- Func_ID is its kind: 1 list, 2 range, 3 action, 4 digits, 5 hexadecimal, 6 number.
CREATE TABLE Parameters_Addr (
    Location_key INTEGER,             -- 0: not read
    ProgrammerQuillomark_ID INTEGER,  -- 1: not read; the function key
    TextLength INTEGER,               -- 2: characters of the text box, 0 = no limit
    ValMin INTEGER,                   -- 3
    ValMax INTEGER,                   -- 4: 0 = no clamping
    Length INTEGER,                   -- 5: bytes of the value
    Mask INTEGER,                     -- 6
    Address INTEGER,                  -- 7
    Comment TEXT,                     -- 8: not read
    Func_ID INTEGER,                  -- 9
    FunctionParameter_key INTEGER     -- 10: matched by Parameter_Value.FunctionParameter_ID
);

INSERT INTO Parameters_Addr VALUES
    (1, 101, 0, 0, 0, 1, 0x03, 0x10, 'siren', 1, 1001),
    (2, 102, 0, 0, 0, 1, 0x0C, 0x10, 'mode, same byte as the siren', 1, 1002),
    (3, 103, 0, 0, 3, 1, 0xFF, 0x11, 'arming delay', 2, 1003),
    (4, 104, 4, 0, 0, 4, 0xFF, 0x20, 'entry code, one digit per byte', 4, 1004),
    (5, 105, 0, 0, 0, 2, 0xFF, 0x16, 'serial number, last byte first', 5, 1005),
    (6, 106, 3, 10, 600, 2, 0xFFFF, 0x24, 'alarm duration, most significant byte first', 6, 1006),
    (7, 107, 0, 0, 0, 1, 0x01, 0x1A, 'clear remotes: sets bit 0', 3, 1007),
    (8, 108, 0, 0, 0, 1, 0x01, 0x1B, 'service mode', 1, 1008),
    (9, 109, 0, 0, 0, 2, 0x0300, 0x1C, 'central locking, little-endian', 1, 1009),
    (10, 201, 0, 0, 0, 1, 0x03, 0x20, NULL, 1, 1001),
    (11, 202, 0, 0, 7, 1, 0x07, 0x21, NULL, 2, 2002),
    (12, 203, 0, 1, 5, 1, 0x07, 0x22, NULL, 2, 2003),
    (13, 204, 0, 0, 0, 2, 0xFF, 0x24, NULL, 5, 1005),
    (14, 301, 0, 0, 0, 1, 0x03, 0x20, NULL, 1, 1001),
    (15, 302, 3, 10, 600, 2, 0xFFFF, 0x22, NULL, 6, 1006),
    (16, 401, 0, 0, 0, 1, 0x03, 0x10, NULL, 1, 1001),
    (17, 501, 0, 0, 0, 1, 0x03, 0x10, NULL, 1, 1001),
    (18, 502, 0, 0, 3, 1, 0xFF, 0x11, NULL, 2, 1003);

-- The selectable values of each function. Value holds the bits already placed under the mask.
-- A range function needs one row; its list is the numbers ValMin to ValMax.
CREATE TABLE Parameter_Value (
    Name_EN TEXT,                  -- 0
    Name_IT TEXT,                  -- 1
    Name_FR TEXT,                  -- 2
    FunctionParameter_ID INTEGER,  -- 3: not read
    Value INTEGER                  -- 4
);

INSERT INTO Parameter_Value VALUES
    ('Off', 'Spenta', 'Arr' || CAST(X'EA' AS TEXT) || 't', 1001, 0),
    ('On', 'Accesa', 'Marche', 1001, 1),
    ('Chirp only', 'Solo avvisi', 'Bips seulement', 1001, 2),
    ('Standard', 'Standard', 'Standard', 1002, 0x00),
    ('Silent', 'Silenzioso', 'Silencieux', 1002, 0x04),
    ('Parking', 'Parcheggio', 'Stationnement', 1002, 0x08),
    ('Delay', 'Ritardo', 'D' || CAST(X'E9' AS TEXT) || 'lai', 1003, 0),
    ('Code', 'Codice', 'Code', 1004, 0),
    ('Serial', 'Seriale', 'S' || CAST(X'E9' AS TEXT) || 'rie', 1005, 0),
    ('Seconds', 'Secondi', 'Secondes', 1006, 0),
    ('Clear', 'Cancella', 'Effacer', 1007, 0x01),
    ('Off', 'Spenta', 'Arr' || CAST(X'EA' AS TEXT) || 't', 1008, 0),
    ('On', 'Attiva', 'Marche', 1008, 1),
    ('Off', 'Spenta', 'Arr' || CAST(X'EA' AS TEXT) || 't', 1009, 0x0000),
    ('Pulse', 'Impulso', 'Impulsion', 1009, 0x0100),
    ('Continuous', 'Continua', 'Continu', 1009, 0x0200),
    ('Delay', 'Ritardo', 'D' || CAST(X'E9' AS TEXT) || 'lai', 2002, 0),
    ('Flashes', 'Lampeggi', 'Clignotements', 2003, 0);

COMMIT;
