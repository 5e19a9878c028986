/* Demo firmware for an ATmega8 at 1 MHz: blinks an LED on PB0 and counts its
 * starts in Eeprom, next to a serial number the production run increments. */
#include <avr/eeprom.h>
#include <avr/io.h>
#include <util/delay.h>

/* The serial number a production run writes and counts up, one per board. */
uint8_t serialNumber[4] EEMEM = {0x00, 0x00, 0x00, 0x01};
uint16_t startCount EEMEM = 0;

int main(void)
{
    eeprom_write_word(&startCount, (uint16_t)(eeprom_read_word(&startCount) + 1));
    DDRB |= _BV(PB0);
    for (;;) {
        PORTB ^= _BV(PB0);
        _delay_ms(500);
    }
}
